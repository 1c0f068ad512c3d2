// CSV import. The first byte chooses whether the format is given or guessed and the chunk
// size of a second reading; the rest is the table, imported as stats and as encounters.
#include <cstdint>
#include <string>
#include <vector>

#include "game/tables/csv.h"
#include "table_import_check.h"

using namespace valmor;

namespace {

std::string readAllRecords(tables::TextStream& stream) {
    tables::CsvReader reader(stream);
    std::vector<tables::Cell> record;
    std::string described;
    while (reader.next(record)) {
        for (const tables::Cell& cell : record)
            described += std::to_string(cell.at.line) + ':' + std::to_string(cell.at.column) + ' ' +
                         cell.text + '|';
        described += '\n';
    }
    return described;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::checkTableInput(data, size, tables::TableFormat::Csv, readAllRecords);
}
