#include "balance/balance_colours.h"

#include <algorithm>
#include <cmath>

namespace valmor {

double damageShareHue(double percent) {
    const double share = std::clamp(percent / 100, 0.0, 1.0);
    return std::round(120 * (1 - share));
}

RgbColour defeatColour(double percent) {
    struct Stop {
        double at, red, green, blue;
    };
    constexpr Stop kStops[] = {{0, 255, 255, 255}, {50, 243, 156, 18}, {100, 123, 0, 0}};
    const double p = std::clamp(percent, 0.0, 100.0);
    const Stop& low = p <= 50 ? kStops[0] : kStops[1];
    const Stop& high = p <= 50 ? kStops[1] : kStops[2];
    const double t = (p - low.at) / (high.at - low.at);
    const auto mix = [&](double a, double b) {
        return static_cast<int>(std::lround(a + (b - a) * t));
    };
    return {mix(low.red, high.red), mix(low.green, high.green), mix(low.blue, high.blue)};
}

RgbColour unknownVerdictColour(Verdict verdict) {
    return verdict == Verdict::Empty        ? kEmptyColour
           : verdict == Verdict::Unbeatable ? kUnbeatableColour
                                            : kErrorColour;
}

RgbColour targetColour(TargetStatus status, double pointsOutside) {
    const double t = std::clamp(pointsOutside / 50, 0.0, 1.0);
    const auto mix = [&](RgbColour light, RgbColour dark) {
        const auto one = [&](int a, int b) {
            return static_cast<int>(std::lround(a + (b - a) * t));
        };
        return RgbColour{one(light.red, dark.red), one(light.green, dark.green),
                         one(light.blue, dark.blue)};
    };
    switch (status) {
    case TargetStatus::TooDangerous:
        return mix({0xf8, 0xb4, 0xb4}, {0x8b, 0x00, 0x00});
    case TargetStatus::TooEasy:
        return mix({0xb4, 0xcc, 0xf8}, {0x0b, 0x2a, 0x8b});
    case TargetStatus::Failed:
        return kErrorColour;
    case TargetStatus::Inside:
        return kInsideBandColour;
    case TargetStatus::NoBand:
        break;
    }
    return kNoBandColour;
}

} // namespace valmor
