#include "palette.h"

#include "checked_int.h"
#include "conversions.h"
#include "text_input.h"

namespace valmor {

PaletteLevels loadPalette(const std::filesystem::path& path) {
    PaletteLevels levels;
    TextInputFile input(path);
    for (int i = 0; i < kPaletteEntries; ++i) {
        levels.paletteRed[i] = ToInt16(input.readNumber());
        levels.paletteGreen[i] = ToInt16(input.readNumber());
        levels.paletteBlue[i] = ToInt16(input.readNumber());
        levels.paletteRed[i] = checkedMul16(levels.paletteRed[i], 4);
        levels.paletteGreen[i] = checkedMul16(levels.paletteGreen[i], 4);
        levels.paletteBlue[i] = checkedMul16(levels.paletteBlue[i], 4);
    }
    return levels;
}

ColourTable makeColorFromRGB(const PaletteLevels& levels) {
    ColourTable table{};
    for (int i = 0; i < kPaletteEntries; ++i) {
        const std::int32_t red = levels.paletteRed[i];
        const std::int32_t green = levels.paletteGreen[i];
        const std::int32_t blue = levels.paletteBlue[i];
        std::int32_t s = checkedMul32(green, 256);
        s = checkedAdd32(s, checkedMul32(blue, 65536));
        s = checkedAdd32(s, red);
        table[i] = static_cast<double>(s);
    }
    return table;
}

} // namespace valmor
