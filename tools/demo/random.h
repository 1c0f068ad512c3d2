// A seeded generator whose output is the same on every platform: the C++ standard fixes
// every number std::mt19937 produces, and the ranges below come from its raw output by plain
// arithmetic (the standard distributions are not portable).
#pragma once

#include <cstdint>
#include <random>

namespace valmor::demo {

class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}

    // A whole number from lo to hi inclusive.
    int range(int lo, int hi) {
        const auto span = static_cast<std::uint32_t>(hi - lo + 1);
        return lo + static_cast<int>(engine_() % span);
    }

    // A number from lo to hi.
    float real(float lo, float hi) {
        const float unit = static_cast<float>(engine_() >> 8) / 16777216.0f;
        return lo + (hi - lo) * unit;
    }

    bool chance(int percent) { return range(0, 99) < percent; }

private:
    std::mt19937 engine_;
};

} // namespace valmor::demo
