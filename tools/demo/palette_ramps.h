// The demo palette: a few fixed inks followed by sixteen colour ramps, each running from
// nearly black to nearly white, so procedurally drawn sprites can be shaded.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace valmor::demo {

enum class Ramp : std::uint8_t {
    Green,
    Moss,
    Brown,
    Tan,
    Red,
    Orange,
    Gold,
    Blue,
    Teal,
    Ice,
    Purple,
    Pink,
    Grey,
    Bone,
    Skin,
    Slate,
};

inline constexpr int kRampCount = 16;
inline constexpr int kRampShades = 15;
inline constexpr int kFirstRampIndex = 256 - kRampCount * kRampShades;

// Fixed inks below the ramps. Index 0 is the transparent background.
namespace ink {
inline constexpr std::uint8_t Transparent = 0;
inline constexpr std::uint8_t Outline = 1;
inline constexpr std::uint8_t White = 2;
inline constexpr std::uint8_t GlowRed = 3;
inline constexpr std::uint8_t GlowYellow = 4;
inline constexpr std::uint8_t GlowGreen = 5;
inline constexpr std::uint8_t GlowCyan = 6;
inline constexpr std::uint8_t GlowMagenta = 7;
inline constexpr std::uint8_t Pupil = 8;
inline constexpr std::uint8_t Mouth = 9;
inline constexpr std::uint8_t Tongue = 10;
inline constexpr std::uint8_t FireCore = 11;
inline constexpr std::uint8_t FireOrange = 12;
} // namespace ink

struct Rgb {
    std::uint8_t r, g, b; // levels 0 to 63
};

// Palette index of a shade (0 darkest, kRampShades - 1 lightest) of a ramp.
constexpr std::uint8_t rampIndex(Ramp ramp, int shade) {
    return static_cast<std::uint8_t>(kFirstRampIndex + static_cast<int>(ramp) * kRampShades +
                                     shade);
}

std::array<Rgb, 256> demoPalette();

// The palette as "r,g,b" lines, one per index.
std::string paletteText(const std::array<Rgb, 256>& palette);

} // namespace valmor::demo
