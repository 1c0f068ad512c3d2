// JSON import. The first byte chooses whether the format is given or guessed and the chunk
// size of a second reading; the rest is the table, imported as stats and as encounters.
#include <cstdint>
#include <string>

#include "game/tables/json.h"
#include "table_import_check.h"

using namespace valmor;

namespace {

std::string describe(const tables::Cell& cell) {
    return std::to_string(cell.at.line) + ':' + std::to_string(cell.at.column) + ' ' +
           std::to_string(static_cast<int>(cell.kind)) + ' ' + cell.text + '|';
}

std::string readAllObjects(tables::TextStream& stream) {
    tables::JsonReader reader(stream);
    tables::JsonObject object;
    std::string described;
    while (reader.next(object)) {
        described += std::to_string(object.at.line) + ':' + std::to_string(object.at.column);
        for (std::size_t i = 0; i < object.keys.size(); ++i)
            described += describe(object.keys[i]) + describe(object.values[i]);
        described += '\n';
    }
    return described;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::checkTableInput(data, size, tables::TableFormat::Json, readAllObjects);
}
