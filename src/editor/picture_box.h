// A picture box: a framed drawing surface that keeps what is drawn on it in an image it
// owns, so it repaints itself after being covered. Points and images are placed in the
// picture's own units; points outside are clipped.
#pragma once

#include <cstdint>

#include <QFrame>
#include <QImage>
#include <QRgb>

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
        const Rgb rgb = rgbOf(colour);
        putPoint(x, y, qRgb(rgb.red, rgb.green, rgb.blue));
    }

    // Draws `image` with its top-left pixel at unit (x0, y0), one unit for each of its
    // pixels, top row first and each row left to right, as opaque points; a transparent
    // pixel leaves the picture as it was. Call update() once drawing is done.
    void drawImage(const QImage& image, int x0, int y0);

    // A copy of what the picture shows inside its frame, one image pixel per screen pixel.
    // Never hand out image_ itself: sharing it would let a detach move the pixels away
    // from under pixels_.
    QImage image() const { return image_.copy(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void allocate();
    void putPoint(int x, int y, QRgb colour) {
        if (x < 0 || y < 0 || x >= unitsWide_ || y >= unitsHigh_)
            return;
        const int px = scaled_ ? (x * pixelsWide_ * 2 + unitsWide_) / (2 * unitsWide_) : x;
        const int py = scaled_ ? (y * pixelsHigh_ * 2 + unitsHigh_) / (2 * unitsHigh_) : y;
        if (px >= pixelsWide_ || py >= pixelsHigh_)
            return;
        pixels_[py * stride_ + px] = 0xFF000000u | colour;
    }

    QImage image_;
    std::uint32_t* pixels_ = nullptr;
    int stride_ = 0;
    int pixelsWide_ = 0; // image_'s size, kept for putPoint
    int pixelsHigh_ = 0;
    int unitsWide_ = 0;
    int unitsHigh_ = 0;
    bool unitsFixed_ = false;
    bool scaled_ = false;
};

} // namespace valmor
