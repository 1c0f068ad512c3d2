#include "editor/window_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace valmor {

QImage drawWindowIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    // A slime with a highlight, two eyes and a fang.
    painter.setPen(QPen(QColor(16, 64, 16), 1));
    painter.setBrush(QColor(72, 184, 64));
    QPainterPath body;
    body.moveTo(1.5, 14.5);
    body.cubicTo(1.0, 7.0, 4.0, 2.0, 8.0, 2.0);
    body.cubicTo(12.0, 2.0, 15.0, 7.0, 14.5, 14.5);
    body.closeSubpath();
    painter.drawPath(body);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(168, 232, 152));
    painter.drawEllipse(QRectF(4.0, 4.0, 3.0, 2.0));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(4.0, 7.0, 3.0, 3.0));
    painter.drawEllipse(QRectF(9.0, 7.0, 3.0, 3.0));
    painter.setBrush(QColor(160, 16, 16));
    painter.drawEllipse(QRectF(5.0, 8.0, 1.5, 1.5));
    painter.drawEllipse(QRectF(10.0, 8.0, 1.5, 1.5));
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({QPointF(7.0, 11.5), QPointF(9.0, 11.5), QPointF(8.0, 13.5)}));
    return image;
}

QIcon makeWindowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(QPixmap::fromImage(drawWindowIcon(size)));
    return icon;
}

} // namespace valmor
