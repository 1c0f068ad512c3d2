// The sprite file ("monster.dat"): a headerless run of 90 x 100 frames of palette indexes,
// and the drawing of one frame onto a picture through its set-point operation.
#pragma once

#include <array>
#include <cmath>
#include <concepts>
#include <cstdint>

#include "files/byte_file.h"
#include "game/palette.h"

namespace valmor {

inline constexpr const char* kSpriteFileName = "monster.dat";
inline constexpr int kSpriteWidth = 90;
inline constexpr int kSpriteHeight = 100;
inline constexpr int kSpriteFrameBytes = kSpriteWidth * kSpriteHeight;

using SpriteFrame = std::array<std::uint8_t, kSpriteFrameBytes>;

// A picture on which one point, in the picture's own units, can be set to a colour value
// (red + 256 x green + 65536 x blue). Points outside the picture are the picture's to clip.
template <typename Picture>
concept SetPointSurface = requires(Picture& picture, int x, int y, std::int32_t colour) {
    picture.setPoint(x, y, colour);
};

// The highest sprite number in a file of `fileLength` bytes: whole frames minus one,
// -1 for none. Throws Overflow above 32767.
std::int16_t lastSpriteIndex(std::int64_t fileLength);

// The error for sprites `first` to `last` that the sprite file, as long as it is now, does not
// hold whole (it was cut or emptied since they were counted): InputPastEndOfFile, naming
// them and the frames the file holds.
DataError spritesPastEnd(const ByteFile& spriteFile, int first, int last);

// Reads frame n afresh from the file. A negative n raises BadRecordNumber, and a frame the
// file does not hold whole spritesPastEnd.
SpriteFrame readSpriteFrame(const ByteFile& spriteFile, std::int16_t n);

// The 32-bit colour value of a table entry, rounded to the nearest whole number.
inline std::int32_t colourValue(double entry) {
    return static_cast<std::int32_t>(std::nearbyint(entry));
}

// Draws sprite n with its top-left pixel at (x0, y0): every pixel in file order, top row
// first and each row left to right; byte 0 is transparent and leaves the picture as it was.
// A frame that cannot be read whole draws nothing.
template <SetPointSurface Picture>
void drawSprite(const ByteFile& spriteFile, std::int16_t n, int x0, int y0,
                const ColourTable& colours, Picture& picture) {
    const SpriteFrame frame = readSpriteFrame(spriteFile, n);
    std::array<std::int32_t, 256> lookup;
    lookup[0] = 0;
    for (int b = 1; b < 256; ++b)
        lookup[b] = colourValue(colours[b]);
    const std::uint8_t* pixel = frame.data();
    for (int r = 0; r < kSpriteHeight; ++r) {
        for (int c = 0; c < kSpriteWidth; ++c, ++pixel) {
            if (*pixel != 0)
                picture.setPoint(x0 + c, y0 + r, lookup[*pixel]);
        }
    }
}

} // namespace valmor
