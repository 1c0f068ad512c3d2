// Sprites as images: 90 x 100 pixels in the palette's colours, palette index 0
// transparent. Exported images are 8-bit indexed with the palette as their colour table,
// so that the indexes come back unchanged even where two entries share a colour.
#pragma once

#include <array>
#include <string>

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::cli {

using PaletteColours = std::array<QRgb, 256>;

// Each entry's colour as the editor shows it: the red, green and blue bytes of its
// colour value (levels times 4), fully opaque. Entry 0 is fully transparent.
PaletteColours paletteColours(const ColourTable& table);

QImage spriteImage(const SpriteFrame& frame, const PaletteColours& colours);
QByteArray encodePng(const QImage& image);
// Throws CliError, naming `source`, when the bytes are not a readable PNG image, or one
// whose header gives another size than a sprite's or whose data goes on after its rows
// (see spritePngChunks): those are refused before they are decoded, and only the chunks
// that make the pixels are decoded.
QImage decodePng(const QByteArray& bytes, const std::string& source);

struct ImportedFrame {
    SpriteFrame frame{};
    int nearestPixels = 0; // pixels that took the nearest entry's colour
};

// Maps every pixel to the palette entry of exactly its colour (the lowest such index from
// 1 up; fully transparent pixels to 0). An image whose colour table is the palette keeps
// its indexes. A pixel of any other colour, or partly transparent, is an error naming the
// first one, unless `nearest`: then it takes the nearest entry's colour (or 0 when it is
// more transparent than not). Throws CliError, naming `source`.
ImportedFrame spriteFrameFromImage(const QImage& image, const PaletteColours& colours, bool nearest,
                                   const std::string& source);

// "000.png" for sprite 0: numbers padded to the width of the largest, at least 3 digits.
std::string spriteFileName(int n, int count);

} // namespace valmor::cli
