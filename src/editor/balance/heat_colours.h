// The heat maps' colours (src/balance/balance_colours.h) as Qt colours, for the balance
// window's heat map and its legend; the target colouring's cell without a band is hatched.
#pragma once

#include <optional>

#include <QColor>

#include "balance/balance_colours.h"
#include "balance/targets.h"

namespace valmor {

// What the heat map colours a cell by.
enum class BalanceMeasure { DamageShare, DefeatChance, Target };

// A cell without a band is painted kNoBandColour with a hatch of this colour over it.
inline const QColor kNoBandHatch(150, 150, 150);
// The target colouring is deepest from this many points outside the band on.
inline constexpr double kFarOutside = 50;

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

// The colour of a cell against its band (src/balance/balance_colours.h).
inline QColor targetCellColour(const std::optional<TargetBand>& band, const MapOutcome& outcome) {
    const TargetStatus status = targetStatus(band, outcome);
    const bool outside = status == TargetStatus::TooDangerous || status == TargetStatus::TooEasy;
    return toQColor(targetColour(status, outside ? distanceOutside(*band, outcome) : 0));
}

// The colour of a cell: its share or chance, or its verdict where those are unknown. The
// target colouring asks targetCellColour.
inline QColor cellColour(const MapOutcome& outcome, BalanceMeasure measure) {
    const std::optional<double>& percent =
        measure == BalanceMeasure::DefeatChance ? outcome.defeatPercent : outcome.damagePercent;
    return percent ? heatColour(measure, *percent)
                   : toQColor(unknownVerdictColour(outcome.verdict));
}

} // namespace valmor
