// Sprites as PNG images, out and back in. Exported images are the sprite's image
// (images/sprite_image.h), 8-bit indexed with the palette as their colour table.
#pragma once

#include <string>

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include "game/palette.h"
#include "game/sprite.h"
#include "images/sprite_image.h"

namespace valmor::cli {

using valmor::PaletteColours;
using valmor::paletteColours;
using valmor::spriteImage;

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
