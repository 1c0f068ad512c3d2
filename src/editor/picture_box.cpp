#include "editor/picture_box.h"

#include <algorithm>
#include <array>

#include <QPainter>
#include <QResizeEvent>

namespace valmor {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    allocate();
}

void PictureBox::setUnits(int width, int height) {
    unitsWide_ = width;
    unitsHigh_ = height;
    unitsFixed_ = true;
    scaled_ = unitsWide_ != image_.width() || unitsHigh_ != image_.height();
}

void PictureBox::allocate() {
    const QSize inner = contentsRect().size().expandedTo(QSize(1, 1));
    QImage image(inner, QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter(&image).drawImage(0, 0, image_);
    image_ = std::move(image);
    // Keep the pointer to the pixels so that setPoint does no detach check per point.
    pixels_ = reinterpret_cast<std::uint32_t*>(image_.bits());
    stride_ = static_cast<int>(image_.bytesPerLine() / 4);
    pixelsWide_ = image_.width();
    pixelsHigh_ = image_.height();
    if (!unitsFixed_) {
        unitsWide_ = image_.width();
        unitsHigh_ = image_.height();
    }
    scaled_ = unitsWide_ != image_.width() || unitsHigh_ != image_.height();
}

void PictureBox::clear() {
    // A hidden widget learns its size only when shown; drawing comes after a clear.
    if (image_.size() != contentsRect().size())
        allocate();
    image_.fill(palette().color(QPalette::Window));
    pixels_ = reinterpret_cast<std::uint32_t*>(image_.bits());
    update();
}

void PictureBox::drawImage(const QImage& image, int x0, int y0) {
    const int width = image.width(), height = image.height();
    if (image.format() != QImage::Format_Indexed8) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(line[x]) != 0)
                    putPoint(x0 + x, y0 + y, line[x]);
            }
        }
        return;
    }
    // A sprite's image is indexed: a look-up a pixel in its colour table, where an index the
    // table lacks is transparent.
    std::array<QRgb, 256> colours{};
    const QList<QRgb> table = image.colorTable();
    std::copy_n(table.begin(), std::min<qsizetype>(table.size(), 256), colours.begin());
    for (int y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb colour = colours[line[x]];
            if (qAlpha(colour) != 0)
                putPoint(x0 + x, y0 + y, colour);
        }
    }
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), image_);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    allocate();
}

} // namespace valmor
