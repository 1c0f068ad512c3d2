#include "cli/commands.h"

#include <QByteArray>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/sprite_images.h"
#include "data/byte_file.h"
#include "data/encounter_record.h"
#include "data/item_list.h"
#include "data/monster_record.h"
#include "data/palette.h"
#include "data/sprite.h"

namespace valmor::cli {

namespace {

std::ostream* terminal(const Session& session) {
    return session.errIsTerminal ? &session.err : nullptr;
}

std::filesystem::path gameFile(const Session& session, std::string_view name) {
    const std::filesystem::path path = session.file(name);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        const std::string folder =
            session.directory.empty() ? "the working directory" : session.directory.string();
        throw CliError("no " + std::string(name) + " in " + folder +
                       " (run in the game's folder, or name it with -C DIR)");
    }
    return path;
}

std::string readInput(const Session& session, const std::filesystem::path& input) {
    return input == "-" ? readWholeStream(session.in, "standard input") : readWholeFile(input);
}

std::string sourceName(const std::filesystem::path& input) {
    return input == "-" ? "<stdin>" : input.string();
}

// A table written over a game file by a slip of -o would destroy it.
void refuseGameFile(const Session& session, const std::filesystem::path& output) {
    for (const char* name : {kPaletteFileName, kSpriteFileName, kMonsterFileName,
                             kEncounterFileName, kItemListFileName}) {
        std::error_code error;
        if (std::filesystem::equivalent(output, session.file(name), error))
            throw CliError("will not write a table over the game file " + output.string());
    }
}

using ToTable = std::string (*)(std::string_view, TableFormat, Progress&);
using FromTable = std::string (*)(std::string_view, TableFormat, const std::string&, Progress&);

void exportTable(const Session& session, std::string_view fileName, std::size_t recordBytes,
                 ToTable toTable, TableFormat format, const std::filesystem::path& output,
                 std::string_view label) {
    const std::string bytes = readWholeFile(gameFile(session, fileName));
    Progress progress(terminal(session), std::string(label));
    const std::string table = toTable(bytes, format, progress);
    if (output.empty() || output == "-") {
        session.out << table;
        return;
    }
    refuseGameFile(session, output);
    replaceFile(output, table);
    session.out << "wrote " << recordCount(bytes.size(), recordBytes) << " records of " << fileName
                << " to " << output.string() << '\n';
}

std::size_t importTable(const Session& session, std::string_view fileName, std::size_t recordBytes,
                        FromTable fromTable, const std::filesystem::path& input,
                        std::optional<TableFormat> format, std::string_view label) {
    const std::string text = readInput(session, input);
    Progress progress(terminal(session), std::string(label));
    const std::string bytes =
        fromTable(text, format.value_or(guessTableFormat(text)), sourceName(input), progress);
    const std::filesystem::path target = session.file(fileName);
    std::error_code error;
    const auto oldSize = std::filesystem::file_size(target, error);
    replaceFile(target, bytes);
    const std::size_t records = bytes.size() / recordBytes;
    session.out << "wrote " << records << " records to " << target.string() << '\n';
    if (!error && recordCount(oldSize, recordBytes) != records)
        session.err << "note: " << fileName << " held " << recordCount(oldSize, recordBytes)
                    << " records before\n";
    return records;
}

ColourTable loadColours(const Session& session) {
    return makeColorFromRGB(loadPalette(gameFile(session, kPaletteFileName)));
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
                        std::optional<TableFormat> format) {
    return importTable(session, kMonsterFileName, kMonsterRecordBytes, statsFromTable, input,
                       format, "import-stats");
}

std::size_t importEncounters(const Session& session, const std::filesystem::path& input,
                             std::optional<TableFormat> format) {
    return importTable(session, kEncounterFileName, kEncounterRecordBytes, encountersFromTable,
                       input, format, "import-encounters");
}

int exportSprites(const Session& session, const std::filesystem::path& folder) {
    const ByteFile sprites(gameFile(session, kSpriteFileName));
    const std::int64_t length = sprites.length();
    const int count = lastSpriteIndex(length) + 1;
    const PaletteColours colours = paletteColours(loadColours(session));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw CliError("cannot create " + folder.string() + ": " + error.message());
    Progress progress(terminal(session), "export-sprites");
    progress.start(count);
    for (int n = 0; n < count; ++n) {
        const SpriteFrame frame = readSpriteFrame(sprites, static_cast<std::int16_t>(n));
        const QByteArray png = encodePng(spriteImage(frame, colours));
        replaceFile(folder / spriteFileName(n, count), {png.constData(), std::size_t(png.size())});
        progress.advance();
    }
    progress.finish();
    session.out << "wrote " << count << " sprites to " << folder.string();
    if (count > 0)
        session.out << " (" << spriteFileName(0, count) << " to "
                    << spriteFileName(count - 1, count) << ")";
    session.out << '\n';
    if (const std::int64_t rest = length % kSpriteFrameBytes; rest != 0)
        session.err << "note: " << kSpriteFileName << " ends with " << rest
                    << " bytes that make no whole sprite; they were left out\n";
    return count;
}

void importSprite(const Session& session, int n, const std::filesystem::path& png, bool nearest) {
    const PaletteColours colours = paletteColours(loadColours(session));
    const std::filesystem::path target = session.file(kSpriteFileName);
    std::error_code error;
    std::string sprites = std::filesystem::exists(target, error) ? readWholeFile(target) : "";
    const int count = lastSpriteIndex(static_cast<std::int64_t>(sprites.size())) + 1;
    if (n < 0 || n > count)
        throw CliError("no sprite " + std::to_string(n) + ": " + kSpriteFileName + " holds " +
                       std::to_string(count) + " sprites; give 0 to " + std::to_string(count - 1) +
                       " to replace one, or " + std::to_string(count) + " to append one");
    if (n > 32767)
        throw CliError(std::string(kSpriteFileName) + " holds the most sprites it can (32768)");
    const std::string source = png.string();
    const std::string pngBytes = readWholeFile(png);
    const ImportedFrame imported = spriteFrameFromImage(
        decodePng(QByteArray(pngBytes.data(), static_cast<qsizetype>(pngBytes.size())), source),
        colours, nearest, source);
    // Appending overwrites bytes after the last whole frame, which the editor never reads.
    const std::size_t at = static_cast<std::size_t>(n) * kSpriteFrameBytes;
    if (sprites.size() < at + kSpriteFrameBytes)
        sprites.resize(at + kSpriteFrameBytes);
    std::copy(imported.frame.begin(), imported.frame.end(),
              sprites.begin() + static_cast<std::ptrdiff_t>(at));
    replaceFile(target, sprites);
    if (n < count)
        session.out << "replaced sprite " << n << " in " << target.string() << '\n';
    else
        session.out << "appended sprite " << n << " to " << target.string() << " (now " << count + 1
                    << " sprites)\n";
    if (imported.nearestPixels > 0)
        session.err << "note: " << imported.nearestPixels
                    << " pixels took the nearest palette colour\n";
    const auto statsBytes = std::filesystem::file_size(session.file(kMonsterFileName), error);
    const std::size_t records = error ? 0 : recordCount(statsBytes, kMonsterRecordBytes);
    if (n == count && records <= static_cast<std::size_t>(n))
        session.err << "note: " << kMonsterFileName << " holds " << records << " records; sprite "
                    << n << " has no stats yet (add a row with "
                    << "import-stats)\n";
}

} // namespace valmor::cli
