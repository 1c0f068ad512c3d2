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
    describe();
    update();
}

void BalanceLegend::setTargetNote(const QString& note) {
    if (note == targetNote_)
        return;
    targetNote_ = note;
    describe();
    update();
}

void BalanceLegend::describe() {
    switch (measure_) {
    case BalanceMeasure::DamageShare:
        setAccessibleDescription(
            QStringLiteral("Damage share: green 0%, yellow 50%, red 100% and more"));
        break;
    case BalanceMeasure::DefeatChance:
        setAccessibleDescription(
            QStringLiteral("Defeat chance: white 0%, orange 50%, dark red 100%"));
        break;
    case BalanceMeasure::Target:
        setAccessibleDescription(
            QStringLiteral("Target: inside its band grey; too dangerous red and too easy "
                           "blue, deeper the further out of the band; no band hatched white; "
                           "error black") +
            (targetNote_.isEmpty() ? QString() : QStringLiteral("; ") + targetNote_));
        break;
    }
}

void BalanceLegend::paintTargetScale(QPainter& painter, int top) {
    // Far too easy at the left, inside the band in the middle, far too dangerous at the right.
    const int half = kScaleWidth / 2;
    const int inside = 16;
    for (int x = 0; x < kScaleWidth; ++x) {
        const int from = x < half ? half - inside / 2 - x : x - half - inside / 2;
        const QColor colour = toQColor(
            from <= 0 ? kInsideBandColour
                      : targetColour(x < half ? TargetStatus::TooEasy : TargetStatus::TooDangerous,
                                     kFarOutside * from / (half - inside / 2)));
        painter.fillRect(x, top, 1, kSwatch, colour);
    }
}

QSize BalanceLegend::sizeHint() const {
    return {kScaleWidth + 640, fontMetrics().height() * 2 + kSwatch};
}

void BalanceLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int top = 2;
    // The scale, from 0 % to 100 %, with its three stops named below.
    const bool target = measure_ == BalanceMeasure::Target;
    if (target)
        paintTargetScale(painter, top);
    else
        for (int x = 0; x < kScaleWidth; ++x)
            painter.fillRect(x, top, 1, kSwatch,
                             heatColour(measure_, 100.0 * x / (kScaleWidth - 1)));
    painter.setPen(QColor(153, 153, 153));
    painter.drawRect(0, top, kScaleWidth - 1, kSwatch - 1);
    painter.setPen(palette().windowText().color());
    const int textTop = top + kSwatch + 1;
    const int textHeight = metrics.height();
    painter.drawText(QRect(0, textTop, 70, textHeight), Qt::AlignLeft,
                     target ? QStringLiteral("too easy") : QStringLiteral("0%"));
    painter.drawText(QRect(kScaleWidth / 2 - 40, textTop, 80, textHeight), Qt::AlignHCenter,
                     target ? QStringLiteral("in band") : QStringLiteral("50%"));
    painter.drawText(QRect(kScaleWidth - 90, textTop, 90, textHeight), Qt::AlignRight,
                     target                                    ? QStringLiteral("too dangerous")
                     : measure_ == BalanceMeasure::DamageShare ? QStringLiteral("100%+")
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
    if (target) {
        entry(
            [&](const QRect& r) {
                painter.fillRect(r, toQColor(kNoBandColour));
                painter.fillRect(r, QBrush(kNoBandHatch, Qt::BDiagPattern));
            },
            QStringLiteral("no band"));
        entry([&](const QRect& r) { painter.fillRect(r, toQColor(kErrorColour)); },
              QStringLiteral("error"));
    } else {
        for (const auto& [verdict, text] :
             {std::pair{Verdict::Unbeatable, QStringLiteral("unbeatable")},
              {Verdict::Error, QStringLiteral("error")},
              {Verdict::Empty, QStringLiteral("empty")}}) {
            entry(
                [&](const QRect& r) {
                    painter.fillRect(r, toQColor(unknownVerdictColour(verdict)));
                },
                text);
        }
    }
    entry(
        [&](const QRect& r) {
            painter.fillRect(r.adjusted(1, 1, -1, -1), QColor(240, 240, 240));
            painter.setPen(Qt::black);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        },
        QStringLiteral("changed by unsaved edits or a proposal"));
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
    if (target && !targetNote_.isEmpty()) {
        painter.setPen(palette().windowText().color());
        painter.drawText(QRect(kScaleWidth + kGap, top + kSwatch + 1, width(), metrics.height()),
                         Qt::AlignLeft, targetNote_);
    }
}

} // namespace valmor
