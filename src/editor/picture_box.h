// A picture box: a framed drawing surface that keeps what is drawn on it in an image it
// owns, so it repaints itself after being covered. Points are given in the picture's own
// units; points outside are clipped.
#pragma once

#include <cstdint>

#include <QFrame>
#include <QImage>

#include "game/palette.h"

namespace valmor {

class PictureBox : public QFrame {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The coordinate system: `width` x `height` units over the inner area. By default one
    // unit is one pixel.
    void setUnits(int width, int height);

    // Fills the inner area with the background colour. Call it before drawing.
    void clear();

    // Sets the point at unit (x, y) to a colour value red + 256 x green + 65536 x blue;
    // bits above the blue byte are ignored. Call update() once drawing is done.
    void setPoint(int x, int y, std::int32_t colour) {
        if (x < 0 || y < 0 || x >= unitsWide_ || y >= unitsHigh_)
            return;
        const int px = scaled_ ? (x * image_.width() * 2 + unitsWide_) / (2 * unitsWide_) : x;
        const int py = scaled_ ? (y * image_.height() * 2 + unitsHigh_) / (2 * unitsHigh_) : y;
        if (px >= image_.width() || py >= image_.height())
            return;
        const Rgb rgb = rgbOf(colour);
        pixels_[py * stride_ + px] =
            0xFF000000u | std::uint32_t{rgb.red} << 16 | std::uint32_t{rgb.green} << 8 | rgb.blue;
    }

    // A copy of what the picture shows inside its frame, one image pixel per screen pixel.
    // Never hand out image_ itself: sharing it would let a detach move the pixels away
    // from under pixels_.
    QImage image() const { return image_.copy(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void allocate();

    QImage image_;
    std::uint32_t* pixels_ = nullptr;
    int stride_ = 0;
    int unitsWide_ = 0;
    int unitsHigh_ = 0;
    bool unitsFixed_ = false;
    bool scaled_ = false;
};

} // namespace valmor
