// The heat maps' colours (src/balance/balance_colours.h) as Qt colours, for the balance
// window's heat map and its legend, and the colours of the target colouring: a cell inside
// its band neutral, one above it (too dangerous) red and one below it (too easy) blue, the
// deeper the further out, one without a band light grey (painted hatched).
#pragma once

#include <algorithm>
#include <optional>

#include <QColor>

#include "balance/balance_colours.h"
#include "balance/targets.h"

namespace valmor {

// What the heat map colours a cell by.
enum class BalanceMeasure { DamageShare, DefeatChance, Target };

inline const QColor kInsideBandColour(238, 236, 226);
inline const QColor kNoBandColour(214, 214, 214);
inline const QColor kNoBandHatch(150, 150, 150);
// From just outside the band to kFarOutside points out and beyond.
inline const QColor kLittleTooDangerous(250, 196, 186);
inline const QColor kFarTooDangerous(170, 0, 0);
inline const QColor kLittleTooEasy(196, 212, 250);
inline const QColor kFarTooEasy(10, 50, 170);
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

// The colour of a cell outside its band by `points` outside it, from light to deep.
inline QColor outsideBandColour(TargetStatus status, double points) {
    const QColor& near = status == TargetStatus::TooEasy ? kLittleTooEasy : kLittleTooDangerous;
    const QColor& far = status == TargetStatus::TooEasy ? kFarTooEasy : kFarTooDangerous;
    const double t = std::clamp(points / kFarOutside, 0.0, 1.0);
    const auto mix = [t](int a, int b) { return a + static_cast<int>((b - a) * t + 0.5); };
    return QColor(mix(near.red(), far.red()), mix(near.green(), far.green()),
                  mix(near.blue(), far.blue()));
}

// The colour of a cell against its band; an error cell keeps the error colour.
inline QColor targetColour(const std::optional<TargetBand>& band, const MapOutcome& outcome) {
    const TargetStatus status = targetStatus(band, outcome);
    switch (status) {
    case TargetStatus::NoBand:
        return kNoBandColour;
    case TargetStatus::Inside:
        return kInsideBandColour;
    case TargetStatus::Failed:
        return toQColor(kErrorColour);
    case TargetStatus::TooDangerous:
    case TargetStatus::TooEasy:
        break;
    }
    return outsideBandColour(status, distanceOutside(*band, outcome));
}

// The colour of a cell: its share or chance, or its verdict where those are unknown. The
// target colouring asks targetColour.
inline QColor cellColour(const MapOutcome& outcome, BalanceMeasure measure) {
    const std::optional<double>& percent =
        measure == BalanceMeasure::DefeatChance ? outcome.defeatPercent : outcome.damagePercent;
    return percent ? heatColour(measure, *percent)
                   : toQColor(unknownVerdictColour(outcome.verdict));
}

} // namespace valmor
