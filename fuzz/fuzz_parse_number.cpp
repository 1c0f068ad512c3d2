// ParseNumber and TextToInt16 on arbitrary text. Every finite result must survive
// FormatDouble and ParseNumber: the text reads back, and formats to the same text again.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "files/error.h"
#include "fuzz_check.h"
#include "game/conversions.h"

using namespace valmor;
using valmor::fuzz::check;
using valmor::fuzz::fail;

namespace {

std::optional<double> parse(std::string_view text) {
    try {
        return ParseNumber(text);
    } catch (const DataError& e) {
        check(e.kind() == ErrorKind::Overflow, "ParseNumber raised", e.what());
        return std::nullopt;
    }
}

void checkReadsBack(double value) {
    check(std::isfinite(value), "ParseNumber gave a non-finite value");
    const std::string shown = FormatDouble(value);
    double back = 0;
    try {
        back = ParseNumber(shown);
    } catch (const DataError&) {
        fail("FormatDouble text does not read back", shown);
    }
    check(FormatDouble(back) == shown, "FormatDouble text changes on reading back", shown);
    const double tolerance =
        std::fmax(std::fabs(value) * 1e-14, 2 * std::numeric_limits<double>::denorm_min());
    check(std::fabs(back - value) <= tolerance, "FormatDouble text is too far off", shown);
    FormatSingle(value);
}

void checkTextToInt16(std::string_view text, std::optional<double> parsed) {
    std::int16_t whole = 0;
    try {
        whole = TextToInt16(text);
    } catch (const DataError& e) {
        check(e.kind() == ErrorKind::TypeMismatch || e.kind() == ErrorKind::Overflow,
              "TextToInt16 raised", e.what());
        return;
    }
    // A text that is a number as a whole reads the same through ParseNumber.
    check(parsed.has_value(), "TextToInt16 accepted a text ParseNumber overflows on");
    try {
        check(ToInt16(*parsed) == whole, "TextToInt16 and ParseNumber disagree");
    } catch (const DataError&) {
        fail("ToInt16 overflows where TextToInt16 did not");
    }
    check(ParseNumber(FormatInt(whole)) == whole, "FormatInt text does not read back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = valmor::fuzz::asText(data, size);
    const std::optional<double> parsed = parse(text);
    if (parsed)
        checkReadsBack(*parsed);
    checkTextToInt16(text, parsed);
    return 0;
}
