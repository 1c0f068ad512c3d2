// JSON import. The first byte chooses whether the format is given or guessed and the chunk
// size of a second reading; the rest is the table, imported as stats and as encounters.
#include <cstdint>
#include <string>

#include "table_import_check.h"
#include "tables/json.h"

using namespace valmor;

namespace {

std::string describe(const cli::Cell& cell) {
    return std::to_string(cell.at.line) + ':' + std::to_string(cell.at.column) + ' ' +
           std::to_string(static_cast<int>(cell.kind)) + ' ' + cell.text + '|';
}

std::string readAllObjects(cli::TextStream& stream) {
    cli::JsonReader reader(stream);
    cli::JsonObject object;
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
    if (size == 0)
        return 0;
    const std::string_view table = fuzz::asText(data + 1, size - 1);
    const bool guess = (data[0] & 1) != 0;
    const std::size_t chunk = 1 + (data[0] >> 1) % 16;
    fuzz::checkBothImports(table, guess ? std::nullopt : std::optional(cli::TableFormat::Json),
                           cli::TableFormat::Json);
    fuzz::checkChunkEdges(table, chunk, readAllObjects);
    return 0;
}
