// The key to the balance heat map: the colour scale of the measure shown, the colours of
// the maps whose numbers are unknown, an outlined cell and an axis mark.
#pragma once

#include <QWidget>

#include "editor/balance/heat_colours.h"

namespace valmor {

class BalanceLegend : public QWidget {
    Q_OBJECT

public:
    explicit BalanceLegend(QWidget* parent = nullptr);

    void setMeasure(BalanceMeasure measure);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BalanceMeasure measure_ = BalanceMeasure::DamageShare;
};

} // namespace valmor
