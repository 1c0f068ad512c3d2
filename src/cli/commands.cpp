#include "cli/commands.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <span>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include "balance/character_profiles.h"
#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "cli/sprite_images.h"
#include "files/byte_file.h"
#include "files/file_replace.h"
#include "files/game_file.h"
#include "files/interruption.h"
#include "files/record_file.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/rollback_journal.h"
#include "game/sprite.h"
#include "game/tables/latin1.h"

namespace valmor::cli {

using tables::encountersFromTable;
using tables::encountersToTable;
using tables::equalIgnoringCase;
using tables::Progress;
using tables::statsFromTable;
using tables::statsToTable;
using tables::TableFormat;

namespace {

// The balance targets, kept in the game folder beside the profiles (characters.csv).
constexpr const char* kTargetsFileName = "targets.csv";

std::ostream* terminal(const Session& session) {
    return session.errIsTerminal ? &session.err : nullptr;
}

// Opens a game file for a change under its lock, creating it when missing. Should the
// change fail, a file that this call created is removed again, so a failed command leaves
// the folder as it found it: where the name is a link to a file that did not exist, the
// link stays and the file created at its end goes.
class GameFileChange {
public:
    explicit GameFileChange(const GamePath& path)
        : created_(resolveLinks(path)), existed_(pathKind(created_) != PathKind::Missing),
          file_(GameFile::openLocked(path, true)), lockedAs_(file_.identity()) {}
    GameFileChange(const GameFileChange&) = delete;
    GameFileChange& operator=(const GameFileChange&) = delete;
    ~GameFileChange() {
        if (done_ || existed_)
            return;
        try {
            const FileIdentity now = identityOf(created_);
            if (now.sameFile(lockedAs_) && now.size == 0)
                ::unlinkat(created_.directoryFd(), created_.name().c_str(), 0);
        } catch (const DataError&) {
            // Gone already: nothing to take back.
        }
    }

    GameFile& file() { return file_; }
    const FileIdentity& lockedAs() const { return lockedAs_; }
    bool existed() const { return existed_; }
    void done() { done_ = true; }

private:
    GamePath created_; // where the file is, at the end of its links
    bool existed_;
    GameFile file_;
    FileIdentity lockedAs_;
    bool done_ = false;
};

using ToTable = std::string (*)(std::string_view, TableFormat, Progress&);
using FromTable = std::string (*)(std::istream&, std::optional<TableFormat>, const std::string&,
                                  Progress&);

void exportTable(const Session& session, std::string_view fileName, std::size_t recordBytes,
                 ToTable toTable, TableFormat format, const std::filesystem::path& output,
                 std::string_view label) {
    const std::string bytes =
        readRecordFileBytes(gameFilePath(session.folder, fileName), recordBytes);
    Progress progress(terminal(session), std::string(label));
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
    Progress progress(terminal(session), std::string(label));
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

// ---- Sprites ----

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
    Progress progress(terminal(session), std::string(label));
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

GameFileIdentities::GameFileIdentities(const Session& session,
                                       const std::vector<std::filesystem::path>& inputs) {
    const auto guard = [&](const GamePath& file, std::string_view role) {
        try {
            files_.push_back({identityOf(file), std::string(role)});
        } catch (const DataError&) {
            // Not there: nothing to guard.
        }
    };
    const auto guardName = [&](const char* name, std::string_view role) {
        guard(session.file(name), role);
        names_.push_back({name, std::string(role)});
    };
    for (const char* name : {kPaletteFileName, kSpriteFileName, kMonsterFileName,
                             kEncounterFileName, kItemListFileName})
        guardName(name, "the game file");
    guardName(kCharactersFileName, "the balance profiles");
    guardName(kTargetsFileName, "the balance targets");
    for (const std::filesystem::path& input : inputs) {
        if (!input.empty())
            guard(input, "its own input");
    }
    struct stat folder {};
    if (::fstatat(session.folder.fd(), ".", &folder, 0) == 0)
        folder_ = FileIdentity{static_cast<std::uint64_t>(folder.st_dev),
                               static_cast<std::uint64_t>(folder.st_ino)};
}

void GameFileIdentities::refuseIdentity(const FileIdentity& target, std::string_view shownAs,
                                        std::string_view what) const {
    for (const GuardedFile& file : files_) {
        if (file.identity.sameFile(target))
            throw CliError("will not write " + (what.empty() ? "" : std::string(what) + ' ') +
                           "over " + file.role + ' ' + std::string(shownAs));
    }
}

void GameFileIdentities::refuse(const std::filesystem::path& output, std::string_view what) const {
    // A game file's name in the game folder stays its own even while the file is missing:
    // the game and the balance window would read whatever is written there.
    const std::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
    struct stat status {};
    if (folder_ && ::stat(folder.c_str(), &status) == 0 &&
        folder_->sameFile({static_cast<std::uint64_t>(status.st_dev),
                           static_cast<std::uint64_t>(status.st_ino)})) {
        for (const GuardedName& name : names_) {
            if (output.filename() == name.name)
                throw CliError("will not write " + (what.empty() ? "" : std::string(what) + ' ') +
                               "over " + name.role + ' ' + shownPath(output));
        }
    }
    try {
        refuseIdentity(identityOf(output), shownPath(output), what);
    } catch (const DataError&) {
        // nothing there yet, or nothing that can be reached: no file to guard
    }
}

void GameFileIdentities::refuseDescriptor(int fd, std::string_view shownAs,
                                          std::string_view what) const {
    struct stat status {};
    if (::fstat(fd, &status) == 0)
        refuseIdentity(
            {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)},
            shownAs, what);
}

bool writeOutput(const Session& session, const std::filesystem::path& output,
                 const std::function<void(std::ostream&)>& write, std::string_view what,
                 const std::vector<std::filesystem::path>& inputs) {
    if (output.empty() || output == "-") {
        // `>> monsters.tat` is the same slip as -o monsters.tat.
        if (session.outDescriptor >= 0)
            GameFileIdentities(session, inputs)
                .refuseDescriptor(session.outDescriptor, "(standard output)", what);
        write(session.out);
        return false;
    }
    // An output that leads to a game file or to the command's own input, by a slip of -o
    // or through a link, would destroy it.
    GameFileIdentities(session, inputs).refuse(output, what);
    return writeOutputFile(output, write);
}

bool writeOutput(const Session& session, const std::filesystem::path& output, std::string_view text,
                 std::string_view what, const std::vector<std::filesystem::path>& inputs) {
    return writeOutput(
        session, output,
        [&](std::ostream& stream) {
            stream.write(text.data(), static_cast<std::streamsize>(text.size()));
        },
        what, inputs);
}

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
        throw CliError("cannot create " + shownPath(folder) + ": " + error.message());
    const GameFileIdentities gameFiles(session);
    Progress progress(terminal(session), "export-sprites");
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
        throw CliError("cannot read the folder " + shownPath(folder) + ": " + error.message());
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
