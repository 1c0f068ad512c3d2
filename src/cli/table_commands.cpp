#include "cli/table_commands.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "cli/game_file_change.h"
#include "files/file_replace.h"
#include "files/record_file.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor::cli {

using tables::encountersFromTable;
using tables::encountersToTable;
using tables::Progress;
using tables::statsFromTable;
using tables::statsToTable;
using tables::TableFormat;

namespace {

using ToTable = std::string (*)(std::string_view, TableFormat, Progress&);
using FromTable = std::string (*)(std::istream&, std::optional<TableFormat>, const std::string&,
                                  Progress&);

void exportTable(const Session& session, std::string_view fileName, std::size_t recordBytes,
                 ToTable toTable, TableFormat format, const std::filesystem::path& output,
                 std::string_view label) {
    const std::string bytes =
        readRecordFileBytes(gameFilePath(session.folder, fileName), recordBytes);
    Progress progress(progressStream(session), std::string(label));
    const std::string table = toTable(bytes, format, progress);
    if (writeOutput(session, output, table, "a table"))
        session.out << "wrote " << recordCount(bytes.size(), recordBytes) << " records of "
                    << fileName << " to " << shownPath(output) << '\n';
}

std::size_t importTable(const Session& session, std::string_view fileName, std::size_t recordBytes,
                        FromTable fromTable, const std::filesystem::path& input,
                        std::optional<TableFormat> format, bool truncate, std::string_view label) {
    // The table is read as a stream, one record at a time, so that memory does not grow
    // with the input.
    const std::string source = input == "-" ? "<stdin>" : shownPath(input);
    Progress progress(progressStream(session), std::string(label));
    std::string bytes;
    if (input == "-") {
        bytes = fromTable(session.in, format, source, progress);
    } else {
        std::error_code notFolder;
        if (std::filesystem::is_directory(input, notFolder))
            throw CliError("cannot read " + source + ": " + fileError(EISDIR, input).what());
        std::ifstream file(input, std::ios::binary);
        if (!file)
            throw CliError("cannot read " + source + ": " + std::strerror(errno));
        bytes = fromTable(file, format, source, progress);
    }
    const GamePath target = session.file(fileName);
    const std::size_t records = bytes.size() / recordBytes;
    GameFileChange change(target);
    const std::size_t held =
        recordCount(static_cast<std::size_t>(change.lockedAs().size), recordBytes);
    if (records < held && !truncate)
        throw CliError(std::string(fileName) + " holds " + std::to_string(held) +
                       " records and the table " + std::to_string(records) + ": " +
                       std::to_string(held - records) +
                       " records would go. Give --truncate to shrink the file; nothing was "
                       "written");
    try {
        replaceLockedFile(change.file(), change.lockedAs(), bytes);
    } catch (const DataError& error) {
        throw CliError("cannot write " + shownPath(target.shown()) + ": " + error.what() +
                       (change.existed() ? "; the old file is unchanged"
                                         : "; there was no file before, and none is left"));
    }
    change.done();
    session.out << "wrote " << records << " records to " << shownPath(target.shown()) << '\n';
    if (!change.existed())
        session.err << "note: there was no " << fileName << " before\n";
    else if (records != held)
        session.err << "note: " << fileName << " held " << held << " records before\n";
    return records;
}

} // namespace

void exportStats(const Session& session, TableFormat format, const std::filesystem::path& output) {
    exportTable(session, kMonsterFileName, kMonsterRecordBytes, statsToTable, format, output,
                "export-stats");
}

void exportEncounters(const Session& session, TableFormat format,
                      const std::filesystem::path& output) {
    exportTable(session, kEncounterFileName, kEncounterRecordBytes, encountersToTable, format,
                output, "export-encounters");
}

std::size_t importStats(const Session& session, const std::filesystem::path& input,
                        std::optional<TableFormat> format, bool truncate) {
    return importTable(session, kMonsterFileName, kMonsterRecordBytes, statsFromTable, input,
                       format, truncate, "import-stats");
}

std::size_t importEncounters(const Session& session, const std::filesystem::path& input,
                             std::optional<TableFormat> format, bool truncate) {
    return importTable(session, kEncounterFileName, kEncounterRecordBytes, encountersFromTable,
                       input, format, truncate, "import-encounters");
}

} // namespace valmor::cli
