#include "game/palette.h"

#include "game/checked_int.h"
#include "game/conversions.h"

namespace valmor {

PaletteTokens readPaletteTokens(const GamePath& path) {
    TextInputFile input(path, kPaletteFileLimit, "a palette");
    PaletteTokens tokens;
    tokens.levels.reserve(kPaletteLevels);
    try {
        while (tokens.levels.size() < kPaletteLevels) {
            tokens.levels.push_back(input.readNumberToken());
            tokens.endLine = tokens.levels.back().line;
        }
    } catch (const DataError& error) {
        if (error.kind() != ErrorKind::InputPastEndOfFile)
            throw;
    }
    return tokens;
}

PaletteLevels loadPalette(const GamePath& path) {
    const PaletteTokens tokens = readPaletteTokens(path);
    const std::string name = path.filename().string();
    const auto onLine = [&](std::size_t k) {
        return name + ", line " + std::to_string(tokens.levels[k].line);
    };
    PaletteLevels levels;
    const std::array components{&levels.paletteRed, &levels.paletteGreen, &levels.paletteBlue};
    // In the order of a reader that takes each entry's three levels, then scales them.
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t k = 3 * i + c;
            if (k >= tokens.levels.size())
                throw DataError(ErrorKind::InputPastEndOfFile,
                                name + ", line " + std::to_string(tokens.endLine) + " (" +
                                    std::to_string(k) + " of " + std::to_string(kPaletteLevels) +
                                    " levels)");
            (*components[c])[i] =
                withSubject(onLine(k), [&] { return ToInt16(ParseNumber(tokens.levels[k].text)); });
        }
        for (std::size_t c = 0; c < 3; ++c) {
            std::int16_t& level = (*components[c])[i];
            level = withSubject(onLine(3 * i + c), [&] { return checkedMul16(level, 4); });
        }
    }
    return levels;
}

ColourTable makeColorFromRGB(const PaletteLevels& levels) {
    ColourTable table{};
    for (int i = 0; i < kPaletteEntries; ++i) {
        const std::int32_t red = levels.paletteRed[i];
        const std::int32_t green = levels.paletteGreen[i];
        const std::int32_t blue = levels.paletteBlue[i];
        table[i] = withSubject(std::string(kPaletteFileName) + ", index " + std::to_string(i), [&] {
            std::int32_t s = checkedMul32(green, 256);
            s = checkedAdd32(s, checkedMul32(blue, 65536));
            s = checkedAdd32(s, red);
            return static_cast<double>(s);
        });
    }
    return table;
}

} // namespace valmor
