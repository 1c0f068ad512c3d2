// The heat maps' colours (src/balance/balance_colours.h) as Qt colours, for the balance
// window's heat map and its legend.
#pragma once

#include <QColor>

#include "balance/balance_colours.h"

namespace valmor {

// What the heat map colours a cell by.
enum class BalanceMeasure { DamageShare, DefeatChance };

inline QColor toQColor(const RgbColour& colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

// The colour of a known share or chance, in percent.
inline QColor heatColour(BalanceMeasure measure, double percent) {
    if (measure == BalanceMeasure::DefeatChance)
        return toQColor(defeatColour(percent));
    return QColor::fromHslF(static_cast<float>(damageShareHue(percent) / 360),
                            static_cast<float>(kDamageSaturation),
                            static_cast<float>(kDamageLightness));
}

// The colour of a cell: its share or chance, or its verdict where those are unknown.
inline QColor cellColour(const MapOutcome& outcome, BalanceMeasure measure) {
    const std::optional<double>& percent =
        measure == BalanceMeasure::DefeatChance ? outcome.defeatPercent : outcome.damagePercent;
    return percent ? heatColour(measure, *percent)
                   : toQColor(unknownVerdictColour(outcome.verdict));
}

} // namespace valmor
