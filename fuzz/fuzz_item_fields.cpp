// Text fields read from arbitrary text until the end-of-file error. Every field must make
// progress, so there are never more fields than bytes plus one, and no field is longer than
// the input.
#include <cstdint>
#include <string>

#include "files/error.h"
#include "fuzz_check.h"
#include "game/item_list.h"
#include "game/text_input.h"

using namespace valmor;
using valmor::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TextScanner scanner(valmor::fuzz::asText(data, size), kItemListFileName);
    std::size_t fields = 0;
    try {
        for (;;) {
            const std::string field = scanner.readField();
            check(field.size() <= size, "field longer than the input");
            check(++fields <= size + 1, "readField makes no progress");
        }
    } catch (const DataError& e) {
        check(e.kind() == ErrorKind::InputPastEndOfFile, "readField raised", e.what());
    }
    return 0;
}
