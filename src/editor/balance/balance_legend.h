// The key to the balance heat map: the colour scale of the measure shown, the colours of
// the maps whose numbers are unknown, an outlined cell and an axis mark. For the target
// colouring: the scale from far too easy through inside the band to far too dangerous, a
// cell without a band, and a note on the targets (none, or a targets.csv that cannot be read).
#pragma once

#include <QWidget>

#include "editor/balance/heat_colours.h"

namespace valmor {

class BalanceLegend : public QWidget {
    Q_OBJECT

public:
    explicit BalanceLegend(QWidget* parent = nullptr);

    void setMeasure(BalanceMeasure measure);
    // Said after the target colouring's key: "no targets.csv", or empty.
    void setTargetNote(const QString& note);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();
    void paintTargetScale(QPainter& painter, int top);

    BalanceMeasure measure_ = BalanceMeasure::DamageShare;
    QString targetNote_;
};

} // namespace valmor
