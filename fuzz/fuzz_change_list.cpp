// Change lists: any bytes either read as a list or are refused with TableRejected; a list
// read is written back as text that reads as the same list.
#include <cstdint>
#include <string>

#include "files/error.h"
#include "fuzz_check.h"
#include "game/change_list.h"

using namespace valmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<RecordChange> changes;
    try {
        changes = changeListFromCsv(fuzz::asText(data, size), "changes.csv");
    } catch (const DataError& error) {
        fuzz::check(error.kind() == ErrorKind::TableRejected, "an unexpected error kind",
                    error.what());
        return 0;
    }
    const std::string written = changeListCsv(changes);
    fuzz::check(changeListFromCsv(written, "again.csv") == changes, "a list written anew differs",
                written);
    return 0;
}
