#include "images/sprite_image.h"

#include <algorithm>

#include <QList>

namespace valmor {

PaletteColours paletteColours(const ColourTable& table) {
    PaletteColours colours{};
    for (int i = 1; i < kPaletteEntries; ++i) {
        const Rgb rgb = rgbOf(colourValue(table[i]));
        colours[i] = qRgb(rgb.red, rgb.green, rgb.blue);
    }
    colours[0] = qRgba(0, 0, 0, 0);
    return colours;
}

QImage spriteImage(const SpriteFrame& frame, const PaletteColours& colours) {
    QImage image(kSpriteWidth, kSpriteHeight, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
    for (int y = 0; y < kSpriteHeight; ++y)
        std::copy_n(frame.begin() + y * kSpriteWidth, kSpriteWidth, image.scanLine(y));
    return image;
}

} // namespace valmor
