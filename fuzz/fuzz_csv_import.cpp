// CSV import. The first byte chooses whether the format is given or guessed and the chunk
// size of a second reading; the rest is the table, imported as stats and as encounters.
#include <cstdint>
#include <string>
#include <vector>

#include "table_import_check.h"
#include "tables/csv.h"

using namespace valmor;

namespace {

std::string readAllRecords(cli::TextStream& stream) {
    cli::CsvReader reader(stream);
    std::vector<cli::Cell> record;
    std::string described;
    while (reader.next(record)) {
        for (const cli::Cell& cell : record)
            described += std::to_string(cell.at.line) + ':' + std::to_string(cell.at.column) + ' ' +
                         cell.text + '|';
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
    fuzz::checkBothImports(table, guess ? std::nullopt : std::optional(cli::TableFormat::Csv),
                           cli::TableFormat::Csv);
    fuzz::checkChunkEdges(table, chunk, readAllRecords);
    return 0;
}
