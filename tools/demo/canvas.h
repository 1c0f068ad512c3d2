// A small raster canvas for drawing creature sprites out of shaded shapes. Shapes are
// lit from the upper left, quantised onto a palette ramp with an ordered dither, and
// outlined when the sprite is finished.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "demo/palette_ramps.h"
#include "game/sprite.h"

namespace valmor::demo {

struct Vec {
    float x = 0;
    float y = 0;
};

struct Paint {
    Ramp ramp = Ramp::Grey;
    float light = 0;       // added to the lit level, -1 to 1
    bool outlined = true;  // edges against shapes behind it get a dark line
    std::uint8_t flat = 0; // when non-zero, every pixel takes this palette index
    float roundness = 1;   // 1 shades like a ball, 0 like a flat plate
    float bands = 0;       // tubes: darkens every other stripe of this many pixels
};

inline Paint paint(Ramp ramp, float light = 0) {
    return Paint{ramp, light};
}
inline Paint flatInk(std::uint8_t index) {
    Paint p;
    p.flat = index;
    p.outlined = false;
    return p;
}
inline Paint detail(Ramp ramp, float light = 0) {
    Paint p{ramp, light};
    p.outlined = false;
    return p;
}

class Canvas {
public:
    Canvas();

    // Design coordinates are scaled by `scale` about `pivot` and then moved by `offset`.
    void setTransform(float scale, Vec pivot, Vec offset = {});
    // Mirrors design coordinates about the vertical line x = axis (applied before the
    // transform); drawing one side twice with this on and off gives a symmetric sprite.
    void setMirror(bool on, float axis = 45);

    // Shapes drawn between beginGroup and endGroup form one part: no lines between them.
    void beginGroup();
    void endGroup();

    void ellipse(Vec centre, float rx, float ry, const Paint& paint, float angle = 0);
    void capsule(Vec a, float ra, Vec b, float rb, const Paint& paint);
    // A tapered tube along the quadratic curve p0-p1-p2.
    void curveTube(Vec p0, Vec p1, Vec p2, float r0, float r2, const Paint& paint);
    // A tapered tube along the cubic curve p0-p1-p2-p3.
    void curveTube(Vec p0, Vec p1, Vec p2, Vec p3, float r0, float r3, const Paint& paint);
    void polygon(std::span<const Vec> points, const Paint& paint);
    void polygon(std::initializer_list<Vec> points, const Paint& paint) {
        polygon(std::span<const Vec>(points.begin(), points.size()), paint);
    }
    // A single design point set to a palette index (scaled to a small square).
    void dot(Vec p, std::uint8_t index, float radius = 0.5f);

    // Adds the dark silhouette and the lines between parts and returns the frame.
    SpriteFrame finish() const;

private:
    struct Pixel {
        std::uint8_t colour = 0;
        std::uint8_t ramp = kNoRamp;
        std::uint16_t part = 0;
    };
    static constexpr std::uint8_t kNoRamp = 0xFF;

    Vec map(Vec p) const;
    float mapLength(float r) const { return r * scale_; }
    void startShape(const Paint& paint);
    // Sets the pixel at (x, y) lit by the surface normal (nx, ny, nz).
    void plot(int x, int y, float nx, float ny, float nz, const Paint& paint, float extra = 0);
    void capsuleMapped(Vec a, float ra, Vec b, float rb, const Paint& paint, float extra);
    void tubeThrough(std::span<const Vec> path, float r0, float r1, const Paint& paint);

    std::array<Pixel, kSpriteFrameBytes> pixels_{};
    std::vector<bool> partOutlined_{false};
    int groupDepth_ = 0;
    float scale_ = 1;
    Vec pivot_{};
    Vec offset_{};
    bool mirror_ = false;
    float mirrorAxis_ = 45;
};

} // namespace valmor::demo
