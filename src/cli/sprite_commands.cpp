#include "cli/sprite_commands.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>
#include <span>
#include <vector>

#include <QByteArray>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "cli/game_file_change.h"
#include "cli/sprite_images.h"
#include "files/byte_file.h"
#include "files/interruption.h"
#include "files/record_file.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/rollback_journal.h"
#include "game/sprite.h"
#include "game/tables/latin1.h"
#include "game/tables/progress.h"

namespace valmor::cli {

using tables::equalIgnoringCase;
using tables::Progress;

namespace {

struct SpriteSource {
    int n;
    std::filesystem::path png;
};

ImportedFrame frameFromPng(const std::filesystem::path& png, const PaletteColours& colours,
                           bool nearest) {
    const std::string source = shownPath(png);
    const std::string bytes = readInputFile(png);
    return spriteFrameFromImage(
        decodePng(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), source), colours,
        nearest, source);
}

// New sprites follow on from the last one without a gap; none goes past sprite 32767.
void checkSpriteNumbers(const std::vector<SpriteSource>& sources, int count) {
    int next = count;
    for (const SpriteSource& source : sources) {
        if (source.n < count)
            continue;
        if (source.n != next)
            throw CliError(shownPath(source.png) + ": no sprite " + std::to_string(source.n) +
                           ": " + kSpriteFileName +
                           (count == 0
                                ? " holds no sprites; give "
                                : " holds " + std::to_string(count) + " sprites; give 0 to " +
                                      std::to_string(count - 1) + " to replace one, or ") +
                           std::to_string(next) + " to append one");
        if (source.n > 32767)
            throw CliError(std::string(kSpriteFileName) + " holds the most sprites it can (32768)");
        ++next;
    }
}

// What a failed change of the sprite file says after the error: the journal puts the old
// frames back; should that fail too, it stays for the next import.
std::string rollBack(RollbackJournal& journal, const GamePath& target) {
    const std::string file = shownPath(target.shown());
    if (!journal.pending())
        return "the new sprites are in " + file +
               ", but their journal's removal may not be on the disk yet";
    try {
        journal.rollBack();
        return "nothing was changed: the old sprites are back in " + file;
    } catch (const DataError& failure) {
        if (journal.oldBytesBack())
            return "nothing was changed: the old sprites are back in " + file +
                   ", but their journal could not be removed (" + failure.what() +
                   "); the next import-sprite or import-sprites removes " +
                   escapeForMessage(journalPath(target).filename().string());
        return "putting the old sprites back failed as well (" + std::string(failure.what()) +
               "): " + file +
               " may hold some of the new ones until the next import-sprite or import-sprites "
               "puts the old ones back from " +
               escapeForMessage(journalPath(target).filename().string());
    }
}

// Writes the frames of `sources`, sorted by number, into the sprite file, in place under
// the file's lock. In place, because a frame is 9,000 bytes of a file that may hold 32,768
// of them: a copy of the whole file per sprite would make putting back N sprites cost N
// passes. A rollback journal of the frames' old and new bytes makes the change all or
// nothing: each image is decoded once, into the journal, before the first frame changes,
// and the frames are then copied from the journal. One that an import left when it was
// stopped is rolled back first.
int putSprites(const Session& session, const std::vector<SpriteSource>& sources, bool nearest,
               std::string_view label) {
    const PaletteColours colours = paletteColours(
        makeColorFromRGB(loadPalette(gameFilePath(session.folder, kPaletteFileName))));
    const GamePath target = session.file(kSpriteFileName);
    GameFileChange change(target);
    GameFile& file = change.file();
    if (recoverJournal(file) == JournalState::Complete)
        session.err << "note: an interrupted sprite import was rolled back: its old sprites "
                    << "are back in " << shownPath(target.shown()) << '\n';
    const int count = lastSpriteIndex(file.size()) + 1;
    checkSpriteNumbers(sources, count);
    std::vector<ByteRange> frames;
    for (const SpriteSource& source : sources)
        frames.push_back({std::int64_t{source.n} * kSpriteFrameBytes, kSpriteFrameBytes});
    Progress progress(progressStream(session), std::string(label));
    progress.start(static_cast<std::int64_t>(sources.size()));
    int nearestPixels = 0;
    ImportedFrame imported;
    const auto decode = [&](std::size_t k) -> std::span<const std::uint8_t> {
        imported = frameFromPng(sources[k].png, colours, nearest);
        nearestPixels += imported.nearestPixels;
        progress.advance();
        return imported.frame;
    };
    std::optional<RollbackJournal> journal;
    try {
        journal.emplace(file, frames, decode);
    } catch (const DataError& failure) {
        throw CliError(std::string(failure.what()) + "; nothing was changed in " +
                       shownPath(target.shown()));
    }
    try {
        journal->apply({});
        journal->commit();
    } catch (const std::exception& failure) {
        throw CliError(std::string(failure.what()) + "; " + rollBack(*journal, target));
    }
    change.done();
    progress.finish();
    if (nearestPixels > 0)
        session.err << "note: " << nearestPixels << " pixels took the nearest palette colour\n";
    return count;
}

void noteMissingStats(const Session& session, int firstNew, int lastNew) {
    std::size_t records = 0;
    try {
        records =
            recordCount(static_cast<std::size_t>(identityOf(session.file(kMonsterFileName)).size),
                        kMonsterRecordBytes);
    } catch (const DataError&) {
        // No stats file: no sprite has stats.
    }
    if (records <= static_cast<std::size_t>(lastNew)) {
        const int first = std::max(firstNew, static_cast<int>(records));
        session.err << "note: " << kMonsterFileName << " holds " << records << " records; "
                    << (first == lastNew ? "sprite " + std::to_string(first) + " has"
                                         : "sprites " + std::to_string(first) + " to " +
                                               std::to_string(lastNew) + " have")
                    << " no stats yet (add rows with import-stats)\n";
    }
}

// "042.png" -> 42; nothing for any other name.
std::optional<int> spriteNumberOf(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    const std::size_t dot = name.size() >= 4 ? name.size() - 4 : 0;
    if (dot == 0 || dot > 9 || !equalIgnoringCase(name.substr(dot), ".png"))
        return std::nullopt;
    int n = 0;
    for (std::size_t i = 0; i < dot; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return std::nullopt;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

} // namespace

int exportSprites(const Session& session, const std::filesystem::path& folder) {
    // SIGINT, SIGTERM and SIGHUP stop the export between two images, or within one (whose
    // unfinished file goes), and it says how far it got.
    const InterruptionGuard interruptions;
    const GamePictures pictures = loadGamePictures(session.folder);
    const std::int64_t length = pictures.spriteFile.length();
    const int count = pictures.spriteCount;
    const PaletteColours colours = paletteColours(pictures.colours);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw error.value() == ENOTDIR ? DataError(ErrorKind::NotAFolder, folder.string())
                                       : fileError(error.value(), folder);
    const GameFileIdentities gameFiles(session);
    Progress progress(progressStream(session), "export-sprites");
    progress.start(count);
    int n = 0;
    try {
        for (; n < count; ++n) {
            throwIfInterrupted();
            const QByteArray png = encodePng(spriteImage(pictures.frame(n), colours));
            const std::filesystem::path image = folder / spriteFileName(n, count);
            gameFiles.refuse(image, "an image");
            writeOutputFile(image, {png.constData(), static_cast<std::size_t>(png.size())});
            progress.advance();
        }
    } catch (const std::exception& failure) {
        const std::string written =
            std::to_string(n) + " of " + std::to_string(count) + " images to " + shownPath(folder) +
            (n > 0 ? " (" + spriteFileName(0, count) + " to " + spriteFileName(n - 1, count) + ")"
                   : std::string());
        const auto* error = dynamic_cast<const DataError*>(&failure);
        if (error != nullptr && error->kind() == ErrorKind::Interrupted)
            throw CliError(std::string(failure.what()) + ": export-sprites stopped after writing " +
                           written + "; the images written are whole");
        throw CliError("export-sprites stopped at " + spriteFileName(n, count) + " after writing " +
                       std::to_string(n) + " of " + std::to_string(count) + " images to " +
                       shownPath(folder) + ": " + failure.what());
    }
    progress.finish();
    session.out << "wrote " << count << " sprites to " << shownPath(folder);
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
    const GamePath target = session.file(kSpriteFileName);
    const int count = putSprites(session, {{n, png}}, nearest, "import-sprite");
    if (n < count) {
        session.out << "replaced sprite " << n << " in " << shownPath(target.shown()) << '\n';
        return;
    }
    session.out << "appended sprite " << n << " to " << shownPath(target.shown()) << " (now "
                << count + 1 << " sprites)\n";
    noteMissingStats(session, n, n);
}

int importSprites(const Session& session, const std::filesystem::path& folder, bool nearest) {
    std::vector<SpriteSource> sources;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (const auto n = spriteNumberOf(it->path()))
            sources.push_back({*n, it->path()});
    }
    if (error)
        throw error.value() == ENOTDIR ? DataError(ErrorKind::NotAFolder, folder.string())
                                       : fileError(error.value(), folder);
    if (sources.empty())
        throw CliError("no sprite images (000.png, 001.png, ...) in " + shownPath(folder));
    std::ranges::sort(sources, {}, &SpriteSource::n);
    for (std::size_t i = 1; i < sources.size(); ++i) {
        if (sources[i].n == sources[i - 1].n)
            throw CliError("two images for sprite " + std::to_string(sources[i].n) + ": " +
                           shownPath(sources[i - 1].png) + " and " + shownPath(sources[i].png));
    }
    const int count = putSprites(session, sources, nearest, "import-sprites");
    const auto appended = std::count_if(sources.begin(), sources.end(),
                                        [&](const SpriteSource& s) { return s.n >= count; });
    session.out << "wrote " << sources.size() << " sprites to "
                << shownPath(session.file(kSpriteFileName).shown()) << " ("
                << static_cast<std::ptrdiff_t>(sources.size()) - appended << " replaced, "
                << appended << " appended)\n";
    if (appended > 0)
        noteMissingStats(session, count, count + static_cast<int>(appended) - 1);
    return static_cast<int>(sources.size());
}

} // namespace valmor::cli
