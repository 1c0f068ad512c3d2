#include "demo/canvas.h"

#include <algorithm>
#include <cmath>

namespace valmor::demo {

namespace {

// Light from the upper left, slightly in front of the sprite.
constexpr float kLightX = -0.477f;
constexpr float kLightY = -0.667f;
constexpr float kLightZ = 0.572f;

// 4 x 4 ordered dither thresholds in [0, 1).
constexpr std::array<std::array<float, 4>, 4> kBayer{{
    {0.f / 16, 8.f / 16, 2.f / 16, 10.f / 16},
    {12.f / 16, 4.f / 16, 14.f / 16, 6.f / 16},
    {3.f / 16, 11.f / 16, 1.f / 16, 9.f / 16},
    {15.f / 16, 7.f / 16, 13.f / 16, 5.f / 16},
}};

struct Box {
    int x0, y0, x1, y1; // inclusive, clipped to the frame
};

Box clippedBox(float minX, float minY, float maxX, float maxY) {
    return {std::max(0, static_cast<int>(std::floor(minX))),
            std::max(0, static_cast<int>(std::floor(minY))),
            std::min(kSpriteWidth - 1, static_cast<int>(std::ceil(maxX))),
            std::min(kSpriteHeight - 1, static_cast<int>(std::ceil(maxY)))};
}

Vec lerp(Vec a, Vec b, float t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

float distance(Vec a, Vec b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

} // namespace

Canvas::Canvas() = default;

void Canvas::setTransform(float scale, Vec pivot, Vec offset) {
    scale_ = scale;
    pivot_ = pivot;
    offset_ = offset;
}

void Canvas::setMirror(bool on, float axis) {
    mirror_ = on;
    mirrorAxis_ = axis;
}

Vec Canvas::map(Vec p) const {
    if (mirror_)
        p.x = 2 * mirrorAxis_ - p.x;
    return {(p.x - pivot_.x) * scale_ + pivot_.x + offset_.x,
            (p.y - pivot_.y) * scale_ + pivot_.y + offset_.y};
}

void Canvas::beginGroup() {
    if (groupDepth_++ == 0)
        partOutlined_.push_back(true);
}

void Canvas::endGroup() {
    --groupDepth_;
}

void Canvas::startShape(const Paint& paint) {
    if (groupDepth_ == 0)
        partOutlined_.push_back(paint.outlined);
}

void Canvas::plot(int x, int y, float nx, float ny, float nz, const Paint& paint, float extra) {
    Pixel& pixel = pixels_[static_cast<std::size_t>(y * kSpriteWidth + x)];
    pixel.part = static_cast<std::uint16_t>(std::min<std::size_t>(partOutlined_.size() - 1, 65535));
    if (paint.flat != 0) {
        pixel.colour = paint.flat;
        pixel.ramp = kNoRamp;
        return;
    }
    const float k = paint.roundness;
    float mx = nx * k;
    float my = ny * k;
    float mz = nz * k + (1 - k);
    const float len = std::sqrt(mx * mx + my * my + mz * mz);
    mx /= len;
    my /= len;
    mz /= len;
    const float diffuse = std::max(0.f, mx * kLightX + my * kLightY + mz * kLightZ);
    // Half vector between the light and the viewer, for a small highlight.
    constexpr float hLen = 1.7726f; // |L + (0, 0, 1)|
    float glint = std::max(0.f, (mx * kLightX + my * kLightY + mz * (kLightZ + 1)) / hLen);
    glint *= glint;
    glint *= glint;
    glint *= glint;
    glint *= glint;
    const float level = 0.1f + 0.8f * diffuse + 0.3f * glint + paint.light + extra;
    const float threshold =
        kBayer[static_cast<std::size_t>(y & 3)][static_cast<std::size_t>(x & 3)];
    const int shade =
        std::clamp(static_cast<int>(std::floor(level * 13 + threshold)) + 1, 1, kRampShades - 1);
    pixel.colour = rampIndex(paint.ramp, shade);
    pixel.ramp = static_cast<std::uint8_t>(paint.ramp);
}

void Canvas::ellipse(Vec centre, float rx, float ry, const Paint& paint, float angle) {
    startShape(paint);
    const Vec c = map(centre);
    rx = mapLength(rx);
    ry = mapLength(ry);
    if (mirror_)
        angle = -angle;
    const float cs = std::cos(angle);
    const float sn = std::sin(angle);
    const float reach = std::max(rx, ry);
    const Box box = clippedBox(c.x - reach, c.y - reach, c.x + reach, c.y + reach);
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            const float dx = x + 0.5f - c.x;
            const float dy = y + 0.5f - c.y;
            const float u = (dx * cs + dy * sn) / rx;
            const float v = (-dx * sn + dy * cs) / ry;
            const float d2 = u * u + v * v;
            if (d2 > 1)
                continue;
            plot(x, y, u * cs - v * sn, u * sn + v * cs, std::sqrt(1 - d2), paint);
        }
    }
}

void Canvas::capsuleMapped(Vec a, float ra, Vec b, float rb, const Paint& paint, float extra) {
    const float reach = std::max(ra, rb);
    const Box box = clippedBox(std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach,
                               std::max(a.x, b.x) + reach, std::max(a.y, b.y) + reach);
    const float ex = b.x - a.x;
    const float ey = b.y - a.y;
    const float e2 = ex * ex + ey * ey;
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            const float px = x + 0.5f - a.x;
            const float py = y + 0.5f - a.y;
            const float t = e2 > 0 ? std::clamp((px * ex + py * ey) / e2, 0.f, 1.f) : 0.f;
            const float r = ra + (rb - ra) * t;
            const float dx = px - ex * t;
            const float dy = py - ey * t;
            const float d2 = (dx * dx + dy * dy) / (r * r);
            if (r <= 0 || d2 > 1)
                continue;
            plot(x, y, dx / r, dy / r, std::sqrt(1 - d2), paint, extra);
        }
    }
}

void Canvas::capsule(Vec a, float ra, Vec b, float rb, const Paint& paint) {
    startShape(paint);
    capsuleMapped(map(a), mapLength(ra), map(b), mapLength(rb), paint, 0);
}

void Canvas::tubeThrough(std::span<const Vec> path, float r0, float r1, const Paint& paint) {
    std::vector<Vec> points;
    points.reserve(path.size());
    for (const Vec& p : path)
        points.push_back(map(p));
    std::vector<float> along(points.size(), 0.f);
    for (std::size_t i = 1; i < points.size(); ++i)
        along[i] = along[i - 1] + distance(points[i - 1], points[i]);
    const float total = std::max(along.back(), 1e-3f);
    r0 = mapLength(r0);
    r1 = mapLength(r1);
    const float bands = mapLength(paint.bands);
    startShape(paint);
    ++groupDepth_;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const float ra = r0 + (r1 - r0) * along[i] / total;
        const float rb = r0 + (r1 - r0) * along[i + 1] / total;
        float extra = 0;
        if (bands > 0 && static_cast<int>(along[i] / bands) % 2 == 1)
            extra = -0.12f;
        capsuleMapped(points[i], ra, points[i + 1], rb, paint, extra);
    }
    --groupDepth_;
}

void Canvas::curveTube(Vec p0, Vec p1, Vec p2, float r0, float r2, const Paint& paint) {
    constexpr int steps = 24;
    std::array<Vec, steps + 1> path;
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) / steps;
        path[static_cast<std::size_t>(i)] = lerp(lerp(p0, p1, t), lerp(p1, p2, t), t);
    }
    tubeThrough(path, r0, r2, paint);
}

void Canvas::curveTube(Vec p0, Vec p1, Vec p2, Vec p3, float r0, float r3, const Paint& paint) {
    constexpr int steps = 32;
    std::array<Vec, steps + 1> path;
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) / steps;
        const Vec a = lerp(lerp(p0, p1, t), lerp(p1, p2, t), t);
        const Vec b = lerp(lerp(p1, p2, t), lerp(p2, p3, t), t);
        path[static_cast<std::size_t>(i)] = lerp(a, b, t);
    }
    tubeThrough(path, r0, r3, paint);
}

void Canvas::polygon(std::span<const Vec> points, const Paint& paint) {
    if (points.size() < 3)
        return;
    startShape(paint);
    std::vector<Vec> mapped;
    mapped.reserve(points.size());
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (const Vec& p : points) {
        const Vec m = map(p);
        mapped.push_back(m);
        minX = std::min(minX, m.x);
        minY = std::min(minY, m.y);
        maxX = std::max(maxX, m.x);
        maxY = std::max(maxY, m.y);
    }
    // Shading treats the polygon as the ellipse of its bounding box.
    const float cx = (minX + maxX) / 2;
    const float cy = (minY + maxY) / 2;
    const float hw = std::max(0.5f, (maxX - minX) / 2);
    const float hh = std::max(0.5f, (maxY - minY) / 2);
    const Box box = clippedBox(minX, minY, maxX, maxY);
    for (int y = box.y0; y <= box.y1; ++y) {
        const float py = y + 0.5f;
        for (int x = box.x0; x <= box.x1; ++x) {
            const float px = x + 0.5f;
            // Even-odd rule; a pixel centre lying exactly on an edge counts as inside, so a
            // mirrored shape covers the mirrored pixels.
            bool inside = false;
            bool onEdge = false;
            for (std::size_t i = 0, j = mapped.size() - 1; i < mapped.size(); j = i++) {
                const Vec& a = mapped[i];
                const Vec& b = mapped[j];
                if ((a.y > py) == (b.y > py))
                    continue;
                const float crossing = (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x;
                if (px == crossing)
                    onEdge = true;
                else if (px < crossing)
                    inside = !inside;
            }
            if (!inside && !onEdge)
                continue;
            float u = (px - cx) / hw;
            float v = (py - cy) / hh;
            const float d2 = u * u + v * v;
            if (d2 > 0.9f) {
                const float k = std::sqrt(0.9f / d2);
                u *= k;
                v *= k;
            }
            plot(x, y, u, v, std::sqrt(std::max(0.f, 1 - u * u - v * v)), paint);
        }
    }
}

void Canvas::dot(Vec p, std::uint8_t index, float radius) {
    const Paint ink = flatInk(index);
    startShape(ink);
    const Vec c = map(p);
    const float r = std::max(0.5f, mapLength(radius));
    const Box box = clippedBox(c.x - r, c.y - r, c.x + r, c.y + r);
    bool any = false;
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) {
            if (std::hypot(x + 0.5f - c.x, y + 0.5f - c.y) <= r + 0.01f) {
                plot(x, y, 0, 0, 1, ink);
                any = true;
            }
        }
    }
    const int x = static_cast<int>(std::floor(c.x));
    const int y = static_cast<int>(std::floor(c.y));
    if (!any && x >= 0 && y >= 0 && x < kSpriteWidth && y < kSpriteHeight)
        plot(x, y, 0, 0, 1, ink);
}

SpriteFrame Canvas::finish() const {
    SpriteFrame frame{};
    auto at = [](int x, int y) { return static_cast<std::size_t>(y * kSpriteWidth + x); };
    constexpr std::array<std::array<int, 2>, 4> kNeighbours{{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
    for (int y = 0; y < kSpriteHeight; ++y) {
        for (int x = 0; x < kSpriteWidth; ++x) {
            const Pixel& pixel = pixels_[at(x, y)];
            frame[at(x, y)] = pixel.colour;
            if (pixel.colour == 0) {
                // Transparent pixels next to the sprite become its outline.
                for (const auto& [dx, dy] : kNeighbours) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < kSpriteWidth && ny < kSpriteHeight &&
                        pixels_[at(nx, ny)].colour != 0) {
                        frame[at(x, y)] = ink::Outline;
                        break;
                    }
                }
                continue;
            }
            if (pixel.ramp == kNoRamp || !partOutlined_[pixel.part])
                continue;
            // A part drawn over an earlier one gets a dark edge of its own ramp there.
            for (const auto& [dx, dy] : kNeighbours) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= kSpriteWidth || ny >= kSpriteHeight)
                    continue;
                const Pixel& other = pixels_[at(nx, ny)];
                if (other.colour != 0 && other.part < pixel.part) {
                    frame[at(x, y)] = rampIndex(static_cast<Ramp>(pixel.ramp), 0);
                    break;
                }
            }
        }
    }
    return frame;
}

} // namespace valmor::demo
