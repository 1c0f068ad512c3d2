// The colours of the balance heat maps, shared by the report's page and the balance window:
// the damage share from green at 0 % through yellow at 50 % to red from 100 % up; the chance
// of defeat from white at 0 % through orange at 50 % to dark red at 100 %; purple, black and
// grey for unbeatable, error and empty maps, whose shares are unknown.
#pragma once

#include "balance/balance.h"
#include "balance/targets.h"

namespace valmor {

struct RgbColour {
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const RgbColour&) const = default;
};

// The damage share's colour is the hue of HSL(hue, 75 %, 45 %): 120 (green) at 0 % down
// to 0 (red) at 100 % and above, in whole degrees.
inline constexpr double kDamageSaturation = 0.75;
inline constexpr double kDamageLightness = 0.45;
double damageShareHue(double percent);

RgbColour defeatColour(double percent);

// The report's --unbeatable, --error and --empty.
inline constexpr RgbColour kUnbeatableColour{0x6c, 0x34, 0x83};
inline constexpr RgbColour kErrorColour{0x22, 0x22, 0x22};
inline constexpr RgbColour kEmptyColour{0xb8, 0xb8, 0xb8};

// The colour of a map whose shares are unknown (unbeatable, error or empty).
RgbColour unknownVerdictColour(Verdict verdict);

// The target colouring: a cell inside its band neutral grey, one too dangerous in reds and
// one too easy in blues, from light just outside to dark 50 points out and more; an error
// cell with a band black, a cell without a band white.
inline constexpr RgbColour kInsideBandColour{0xd8, 0xd8, 0xd8};
inline constexpr RgbColour kNoBandColour{0xff, 0xff, 0xff};
RgbColour targetColour(TargetStatus status, double pointsOutside);

} // namespace valmor
