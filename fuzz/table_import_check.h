// Shared by the table import fuzz targets: runs any bytes through the stats and encounter
// imports and checks what comes out. A rejection (ImportError) is a fine outcome; any
// other exception escapes and libFuzzer reports it.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "files/record_file.h"
#include "fuzz_check.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/tables/import_error.h"
#include "game/tables/record_tables.h"
#include "game/tables/text_stream.h"

namespace valmor::fuzz {

using FromTable = std::string (*)(std::istream&, std::optional<tables::TableFormat>,
                                  const std::string&, tables::Progress&);
using ToTable = std::string (*)(std::string_view, tables::TableFormat, tables::Progress&);

inline void checkRejection(const tables::ImportError& error) {
    check(!error.problems().empty(), "a rejection without a problem");
    check(error.total() >= error.problems().size(), "fewer problems counted than kept");
    for (const tables::TableProblem& problem : error.problems())
        check(problem.at.line >= 1 && problem.at.column >= 1 && !problem.message.empty(),
              "a problem without a position or a message", problem.message);
}

// A table that imports gives whole records, at most 32767 of them, and exporting them in
// `format` and importing that again gives the same bytes.
inline void checkImport(std::string_view text, std::optional<tables::TableFormat> format,
                        tables::TableFormat exportFormat, FromTable fromTable, ToTable toTable,
                        std::size_t recordBytes) {
    tables::Progress none;
    std::istringstream in{std::string(text)};
    std::string bytes;
    try {
        bytes = fromTable(in, format, "fuzz", none);
    } catch (const tables::ImportError& error) {
        checkRejection(error);
        return;
    }
    check(bytes.size() % recordBytes == 0, "the bytes are no whole number of records");
    check(bytes.size() / recordBytes <= kMaxRecords, "more records than a file holds");
    std::istringstream exported(toTable(bytes, exportFormat, none));
    std::string again;
    try {
        again = fromTable(exported, exportFormat, "exported", none);
    } catch (const tables::ImportError& error) {
        fail("an exported table is rejected", error.what());
    }
    check(again == bytes, "export then import changes the bytes");
}

inline void checkBothImports(std::string_view text, std::optional<tables::TableFormat> format,
                             tables::TableFormat exportFormat) {
    checkImport(text, format, exportFormat, tables::statsFromTable, tables::statsToTable,
                kMonsterRecordBytes);
    checkImport(text, format, exportFormat, tables::encountersFromTable, tables::encountersToTable,
                kEncounterRecordBytes);
}

// Reads `text` with `read(stream)` through whole 64 KiB chunks and through chunks of
// `chunk` bytes: both must give the same description, or the same rejection.
template <typename Read> void checkChunkEdges(std::string_view text, std::size_t chunk, Read read) {
    const auto run = [&](std::size_t chunkBytes) {
        std::istringstream in{std::string(text)};
        tables::TextStream stream(in, "fuzz", chunkBytes);
        try {
            return read(stream);
        } catch (const tables::ImportError& error) {
            checkRejection(error);
            return "rejected: " + std::string(error.what());
        }
    };
    check(run(tables::TextStream::kChunkBytes) == run(chunk), "the chunk size changes the result");
}

// One fuzz input for a table format: its first byte picks whether the format is guessed and
// the chunk size; the rest is the table, run through both imports and read in small chunks.
template <typename Read>
int checkTableInput(const std::uint8_t* data, std::size_t size, tables::TableFormat format,
                    Read read) {
    if (size == 0)
        return 0;
    const std::string_view table = asText(data + 1, size - 1);
    const bool guess = (data[0] & 1) != 0;
    checkBothImports(table, guess ? std::nullopt : std::optional(format), format);
    checkChunkEdges(table, 1 + (data[0] >> 1) % 16, read);
    return 0;
}

} // namespace valmor::fuzz
