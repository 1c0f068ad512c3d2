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

} // namespace valmor
