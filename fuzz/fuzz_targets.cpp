// Target tables: any bytes either read as bands or are refused with InvalidPropertyValue
// (or a CSV syntax error); every band read lies within 0 to 100 with its low end first.
#include <cstdint>
#include <string>

#include "balance/targets.h"
#include "files/error.h"
#include "fuzz_check.h"

using namespace valmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<CharacterProfile> profiles{{"L1", 1, 14, 11, 10, 5, 45},
                                                        {"a b", 4, 26, 20, 28, 14, 90}};
    try {
        const TargetBands bands = targetsFromCsv(fuzz::asText(data, size), "targets.csv", profiles);
        for (std::size_t m = 0; m < bands.mapCount(); ++m) {
            for (std::size_t p = 0; p < bands.profileCount(); ++p) {
                if (const auto& band = bands.band({m, p}))
                    fuzz::check(0 <= band->min && band->min <= band->max && band->max <= 100,
                                "a band outside 0-100 or upside down");
            }
        }
    } catch (const DataError&) {
        // Refused, as a table with a problem is.
    }
    return 0;
}
