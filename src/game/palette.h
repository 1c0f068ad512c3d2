// The game's 256-colour palette ("mypal.pal") and the colour table built from it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "game/text_input.h"

namespace valmor {

inline constexpr const char* kPaletteFileName = "mypal.pal";
inline constexpr int kPaletteEntries = 256;
inline constexpr int kPaletteLevels = 3 * kPaletteEntries;
// 768 levels take a few kilobytes however they are laid out; a file that has not given them
// by this many bytes is no palette.
inline constexpr std::size_t kPaletteFileLimit = 64 * 1024;

// Levels of each palette index times 4. Entry 256 is never filled and stays 0.
struct PaletteLevels {
    std::array<std::int16_t, 257> paletteRed{};
    std::array<std::int16_t, 257> paletteGreen{};
    std::array<std::int16_t, 257> paletteBlue{};
};

// The red, green and blue bytes of a colour value (red + 256 x green + 65536 x blue), as a
// picture shows it: bits above the blue byte are dropped.
struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
constexpr Rgb rgbOf(std::int32_t colour) {
    const auto bits = static_cast<std::uint32_t>(colour);
    return {static_cast<std::uint8_t>(bits & 0xFF), static_cast<std::uint8_t>(bits >> 8 & 0xFF),
            static_cast<std::uint8_t>(bits >> 16 & 0xFF)};
}

// Display colour value (red + 256 x green + 65536 x blue) of each palette index;
// entry 256 stays 0.
using ColourTable = std::array<double, 257>;

// The level tokens of the palette file as written, red, green and blue for index 0 to 255,
// as far as the file holds them (all 768 when `levels.size()` is kPaletteLevels), and the
// line the file ends on when it holds fewer.
struct PaletteTokens {
    std::vector<TextToken> levels;
    int endLine = 0;
};
PaletteTokens readPaletteTokens(const GamePath& path);

// Reads 768 levels (red, green, blue for index 0 to 255) and scales each by 4 in checked
// 16-bit arithmetic. Throws FileNotFound, InputPastEndOfFile or Overflow, naming the file
// and the line.
PaletteLevels loadPalette(const GamePath& path);

// Builds the colour table in checked 32-bit arithmetic; nothing is masked or clamped.
ColourTable makeColorFromRGB(const PaletteLevels& levels);

} // namespace valmor
