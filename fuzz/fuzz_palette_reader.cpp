// The palette reading on arbitrary text: up to 768 numbers from a TextScanner, each made a
// 16-bit level and scaled by 4, then the colour table. Only end-of-file and overflow errors
// are expected; a table that is built must hold red + 256 x green + 65536 x blue.
#include <cstdint>

#include "files/error.h"
#include "fuzz_check.h"
#include "game/checked_int.h"
#include "game/conversions.h"
#include "game/palette.h"
#include "game/text_input.h"

using namespace valmor;
using valmor::fuzz::check;

namespace {

std::int16_t readLevel(TextScanner& scanner) {
    const std::int16_t level = checkedMul16(ToInt16(scanner.readNumber()), 4);
    check(TextToInt16(FormatInt(level)) == level, "FormatInt text does not read back");
    return level;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TextScanner scanner(valmor::fuzz::asText(data, size), kPaletteFileName);
    PaletteLevels levels;
    try {
        for (int i = 0; i < kPaletteEntries; ++i) {
            levels.paletteRed[i] = readLevel(scanner);
            levels.paletteGreen[i] = readLevel(scanner);
            levels.paletteBlue[i] = readLevel(scanner);
        }
        const ColourTable table = makeColorFromRGB(levels);
        for (int i = 0; i < kPaletteEntries; ++i) {
            const std::int64_t expected = std::int64_t{levels.paletteRed[i]} +
                                          256 * std::int64_t{levels.paletteGreen[i]} +
                                          65536 * std::int64_t{levels.paletteBlue[i]};
            check(table[i] == static_cast<double>(expected), "wrong colour value");
        }
        check(table[256] == 0, "colour table entry 256 was filled");
    } catch (const DataError& e) {
        check(e.kind() == ErrorKind::InputPastEndOfFile || e.kind() == ErrorKind::Overflow,
              "palette reading raised", e.what());
    }
    return 0;
}
