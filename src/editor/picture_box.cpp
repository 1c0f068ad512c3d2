#include "editor/picture_box.h"

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
