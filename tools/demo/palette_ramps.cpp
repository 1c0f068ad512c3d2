#include "demo/palette_ramps.h"

namespace valmor::demo {

namespace {

// Darkest, middle and lightest colour of each ramp, in the order of `Ramp`. The dark ends
// lean cool and the light ends warm, which reads as light and shadow.
struct RampKeys {
    Rgb dark, mid, light;
};

constexpr std::array<RampKeys, kRampCount> kRampKeys{{
    {{2, 8, 5}, {14, 40, 12}, {50, 63, 36}},   // Green
    {{5, 7, 4}, {30, 34, 12}, {58, 60, 38}},   // Moss
    {{6, 3, 3}, {32, 19, 9}, {58, 46, 32}},    // Brown
    {{9, 5, 4}, {44, 31, 16}, {63, 57, 42}},   // Tan
    {{8, 1, 4}, {48, 9, 8}, {63, 46, 38}},     // Red
    {{10, 3, 2}, {58, 27, 6}, {63, 58, 36}},   // Orange
    {{10, 6, 2}, {52, 39, 8}, {63, 63, 42}},   // Gold
    {{2, 3, 12}, {12, 22, 54}, {46, 55, 63}},  // Blue
    {{1, 7, 10}, {8, 38, 40}, {46, 63, 60}},   // Teal
    {{7, 10, 19}, {34, 44, 56}, {60, 63, 63}}, // Ice
    {{6, 2, 11}, {32, 14, 46}, {58, 48, 63}},  // Purple
    {{10, 2, 7}, {54, 18, 38}, {63, 50, 58}},  // Pink
    {{4, 4, 7}, {30, 31, 34}, {60, 61, 62}},   // Grey
    {{10, 8, 6}, {46, 42, 32}, {63, 62, 54}},  // Bone
    {{12, 6, 5}, {51, 34, 24}, {63, 56, 47}},  // Skin
    {{3, 3, 7}, {17, 17, 26}, {42, 44, 54}},   // Slate
}};

constexpr std::array<Rgb, kFirstRampIndex> kInks{{
    {0, 0, 0},    // transparent
    {3, 2, 6},    // outline
    {63, 63, 63}, // white
    {63, 10, 6},  // red glow
    {63, 58, 12}, // yellow glow
    {22, 63, 18}, // green glow
    {18, 56, 63}, // cyan glow
    {60, 14, 60}, // magenta glow
    {1, 1, 3},    // pupil
    {22, 3, 6},   // mouth
    {58, 24, 30}, // tongue
    {63, 63, 44}, // fire core
    {63, 40, 8},  // fire orange
    {48, 48, 52}, // spare light grey
    {26, 26, 30}, // spare mid grey
    {12, 12, 15}, // spare dark grey
}};

std::uint8_t mix(std::uint8_t a, std::uint8_t b, int step, int steps) {
    return static_cast<std::uint8_t>((a * (steps - step) + b * step + steps / 2) / steps);
}

Rgb mix(Rgb a, Rgb b, int step, int steps) {
    return {mix(a.r, b.r, step, steps), mix(a.g, b.g, step, steps), mix(a.b, b.b, step, steps)};
}

} // namespace

std::array<Rgb, 256> demoPalette() {
    std::array<Rgb, 256> palette{};
    for (int i = 0; i < kFirstRampIndex; ++i)
        palette[i] = kInks[i];
    constexpr int half = kRampShades / 2;
    for (int r = 0; r < kRampCount; ++r) {
        const RampKeys& keys = kRampKeys[r];
        for (int s = 0; s < kRampShades; ++s) {
            const Rgb colour = s <= half ? mix(keys.dark, keys.mid, s, half)
                                         : mix(keys.mid, keys.light, s - half, half);
            palette[rampIndex(static_cast<Ramp>(r), s)] = colour;
        }
    }
    return palette;
}

std::string paletteText(const std::array<Rgb, 256>& palette) {
    std::string text;
    for (const Rgb& c : palette) {
        text += std::to_string(c.r) + ',' + std::to_string(c.g) + ',' + std::to_string(c.b);
        text += '\n';
    }
    return text;
}

} // namespace valmor::demo
