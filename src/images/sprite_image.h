// Sprites as images: 90 x 100 pixels in the palette's colours, palette index 0
// transparent. The image is 8-bit indexed with the palette as its colour table, so that the
// indexes come back unchanged even where two entries share a colour; the editor draws it,
// valmor-data writes it as PNG.
#pragma once

#include <array>

#include <QImage>
#include <QRgb>

#include "game/palette.h"
#include "game/sprite.h"

namespace valmor {

using PaletteColours = std::array<QRgb, 256>;

// Each entry's colour as the editor shows it: the red, green and blue bytes of its
// colour value (levels times 4), fully opaque. Entry 0 is fully transparent.
PaletteColours paletteColours(const ColourTable& table);

QImage spriteImage(const SpriteFrame& frame, const PaletteColours& colours);

} // namespace valmor
