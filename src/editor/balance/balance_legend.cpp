#include "editor/balance/balance_legend.h"

#include <QPainter>

namespace valmor {

namespace {

constexpr int kScaleWidth = 200;
constexpr int kSwatch = 12;
constexpr int kGap = 16;

} // namespace

BalanceLegend::BalanceLegend(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Legend"));
}

void BalanceLegend::setMeasure(BalanceMeasure measure) {
    measure_ = measure;
    setAccessibleDescription(
        measure == BalanceMeasure::DamageShare
            ? QStringLiteral("Damage share: green 0%, yellow 50%, red 100% and more")
            : QStringLiteral("Defeat chance: white 0%, orange 50%, dark red 100%"));
    update();
}

QSize BalanceLegend::sizeHint() const {
    return {kScaleWidth + 640, fontMetrics().height() * 2 + kSwatch};
}

void BalanceLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int top = 2;
    // The scale, from 0 % to 100 %, with its three stops named below.
    for (int x = 0; x < kScaleWidth; ++x)
        painter.fillRect(x, top, 1, kSwatch, heatColour(measure_, 100.0 * x / (kScaleWidth - 1)));
    painter.setPen(QColor(153, 153, 153));
    painter.drawRect(0, top, kScaleWidth - 1, kSwatch - 1);
    painter.setPen(palette().windowText().color());
    const int textTop = top + kSwatch + 1;
    const int textHeight = metrics.height();
    painter.drawText(QRect(0, textTop, 60, textHeight), Qt::AlignLeft, QStringLiteral("0%"));
    painter.drawText(QRect(kScaleWidth / 2 - 30, textTop, 60, textHeight), Qt::AlignHCenter,
                     QStringLiteral("50%"));
    painter.drawText(QRect(kScaleWidth - 60, textTop, 60, textHeight), Qt::AlignRight,
                     measure_ == BalanceMeasure::DamageShare ? QStringLiteral("100%+")
                                                             : QStringLiteral("100%"));

    int x = kScaleWidth + kGap;
    const auto entry = [&](const auto& drawSwatch, const QString& text) {
        drawSwatch(QRect(x, top, kSwatch, kSwatch));
        x += kSwatch + 4;
        const int width = metrics.horizontalAdvance(text);
        painter.setPen(palette().windowText().color());
        painter.drawText(QRect(x, top, width, kSwatch + 2), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += width + kGap;
    };
    for (const auto& [verdict, text] :
         {std::pair{Verdict::Unbeatable, QStringLiteral("unbeatable")},
          {Verdict::Error, QStringLiteral("error")},
          {Verdict::Empty, QStringLiteral("empty")}}) {
        entry([&](const QRect& r) { painter.fillRect(r, toQColor(unknownVerdictColour(verdict))); },
              text);
    }
    entry(
        [&](const QRect& r) {
            painter.fillRect(r.adjusted(1, 1, -1, -1), QColor(240, 240, 240));
            painter.setPen(Qt::black);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        },
        QStringLiteral("changed by unsaved edits"));
    entry(
        [&](const QRect& r) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(20, 70, 160));
            const QPointF triangle[] = {{r.center().x() + 0.5, r.top() + 2.0},
                                        {r.left() + 2.0, r.bottom() - 1.0},
                                        {r.right() - 1.0, r.bottom() - 1.0}};
            painter.drawPolygon(triangle, 3);
            painter.setRenderHint(QPainter::Antialiasing, false);
        },
        QStringLiteral("the picked monster counts here"));
}

} // namespace valmor
