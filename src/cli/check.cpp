#include "cli/check.h"
#include "cli/built_in_texts.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <ranges>
#include <span>

#include "files/error.h"
#include "files/file_replace.h"
#include "files/game_file.h"
#include "files/message_text.h"
#include "files/record_file.h"
#include "game/checked_int.h"
#include "game/conversions.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/rollback_journal.h"
#include "game/sprite.h"
#include "game/tables/text_table.h"

namespace valmor::cli {

using tables::shown;

int CheckReport::exitStatus() const {
    if (std::ranges::find(problems, Severity::Error, &CheckProblem::severity) != problems.end())
        return 2;
    return problems.empty() ? 0 : 1;
}

std::string formatProblem(const CheckProblem& problem) {
    std::string line = problem.file;
    if (!problem.place.empty())
        line += ", " + problem.place;
    if (!problem.field.empty())
        line += ", " + problem.field;
    line += problem.severity == Severity::Error ? ": error: " : ": warning: ";
    return line + problem.message;
}

namespace {

constexpr int kLowestLevel = 0;
constexpr int kHighestLevel = 63;
constexpr int kFrequencyTotal = 100;

// What the editor makes of a token that is no number.
std::string editorReading(const std::string& text) {
    try {
        return "the editor reads it as " + FormatDouble(ParseNumber(text));
    } catch (const DataError&) {
        return "the editor stops with an overflow on it";
    }
}

// Where records `first` to `last` (from 0) are: "record 6 (sprite 5)", or for a run
// "records 6 to 9 (sprites 5 to 8)", the user's `unit` numbered from `numberOfFirst`.
std::string recordPlace(std::size_t first, std::size_t last, std::string_view unit,
                        std::size_t numberOfFirst) {
    const auto numbers = [&](std::size_t offset) {
        return first == last
                   ? std::to_string(first + offset)
                   : std::to_string(first + offset) + " to " + std::to_string(last + offset);
    };
    const std::string plural = first == last ? "" : "s";
    return "record" + plural + " " + numbers(1) + " (" + std::string(unit) + plural + " " +
           numbers(numberOfFirst) + ")";
}

std::string spriteRange(int first, int last) {
    if (first == last)
        return "sprite " + std::to_string(first) + " has";
    return "sprites " + std::to_string(first) + " to " + std::to_string(last) + " have";
}

class Checker {
public:
    explicit Checker(GameDirectory folder) : folder_(std::move(folder)) {}

    CheckReport run() {
        checkPalette();
        checkSprites();
        checkStats();
        checkEncounters();
        checkItemNames();
        checkLeftovers();
        checkSpriteJournal();
        return std::move(report_);
    }

private:
    void add(Severity severity, std::string_view file, std::string place, std::string field,
             std::string message) {
        report_.problems.push_back(
            {severity, std::string(file), std::move(place), std::move(field), std::move(message)});
    }
    void error(std::string_view file, std::string place, std::string field, std::string message) {
        add(Severity::Error, file, std::move(place), std::move(field), std::move(message));
    }
    void warning(std::string_view file, std::string place, std::string field, std::string message) {
        add(Severity::Warning, file, std::move(place), std::move(field), std::move(message));
    }

    // The path of a game file that opens for reading, or nothing (and an error) when it is
    // missing, unreadable or no regular file.
    std::optional<GamePath> existing(std::string_view name) {
        GamePath path = folder_.file(name);
        try {
            GameFile::open(path, GameFile::Access::Read);
            return path;
        } catch (const DataError& failure) {
            error(name, {}, {},
                  failure.kind() == ErrorKind::FileNotFound ? "missing" : failure.what());
            return std::nullopt;
        }
    }

    void checkPalette() {
        const auto path = existing(kPaletteFileName);
        if (!path)
            return;
        try {
            const PaletteTokens tokens = readPaletteTokens(*path);
            static constexpr const char* kComponents[] = {"red", "green", "blue"};
            PaletteLevels levels;
            std::array scaled{&levels.paletteRed, &levels.paletteGreen, &levels.paletteBlue};
            bool readable = true;
            for (std::size_t k = 0; k < tokens.levels.size(); ++k) {
                const TextToken& token = tokens.levels[k];
                const std::string place =
                    "line " + std::to_string(token.line) + ", index " + std::to_string(k / 3);
                const char* component = kComponents[k % 3];
                try {
                    const std::int16_t level = TextToInt16(token.text);
                    (*scaled[k % 3])[k / 3] = checkedMul16(level, 4);
                    if (level < kLowestLevel || level > kHighestLevel)
                        error(kPaletteFileName, place, component,
                              "level " + std::to_string(level) + " is outside " +
                                  std::to_string(kLowestLevel) + " to " +
                                  std::to_string(kHighestLevel));
                } catch (const DataError& failure) {
                    readable = false;
                    error(kPaletteFileName, place, component,
                          shown(token.text) +
                              (failure.kind() == ErrorKind::TypeMismatch
                                   ? " is not a number (" + editorReading(token.text) + ")"
                                   : " overflows: a level times 4 must lie within -32768 to "
                                     "32767"));
                }
            }
            if (tokens.levels.size() < kPaletteLevels) {
                error(kPaletteFileName, "line " + std::to_string(tokens.endLine), {},
                      "the file ends after " + std::to_string(tokens.levels.size()) + " of " +
                          std::to_string(kPaletteLevels) + " levels");
                return;
            }
            if (readable)
                makeColorFromRGB(levels);
        } catch (const DataError& failure) {
            error(kPaletteFileName, {}, {}, failure.what());
        }
    }

    void checkSprites() {
        const auto path = existing(kSpriteFileName);
        if (!path)
            return;
        std::int64_t length = 0;
        try {
            const GameFile file = GameFile::open(*path, GameFile::Access::Read);
            length = file.size();
            lastMonsterIndex_ = lastSpriteIndex(length);
            report_.sprites = *lastMonsterIndex_ + 1;
            // Read every frame: a file that only looks right by its length is not checked.
            SpriteFrame frame;
            for (int n = 0; n < report_.sprites; ++n) {
                if (file.readAt(std::int64_t{n} * kSpriteFrameBytes, frame) < frame.size()) {
                    error(kSpriteFileName, "sprite " + std::to_string(n), {},
                          "the file ended while this sprite was read");
                    return;
                }
            }
        } catch (const DataError& failure) {
            error(kSpriteFileName, {}, {}, failure.what());
            return;
        }
        if (const auto rest = length % kSpriteFrameBytes; rest != 0)
            error(kSpriteFileName, {}, {},
                  std::to_string(length) + " bytes are no whole number of " +
                      std::to_string(kSpriteFrameBytes) + "-byte frames: " + std::to_string(rest) +
                      " bytes follow sprite " + std::to_string(*lastMonsterIndex_));
    }

    // The records of a record file, a partial last record read zero-filled; warns about
    // the partial record, and about each run of whole records whose every byte is zero,
    // which is what a Save past the end of a shorter file leaves in the records it skips
    // (named as the user numbers `unit`, from `numberOfFirst`). Such records may be meant,
    // so they are a warning; `allZero` flags them.
    template <typename Record, std::size_t N>
    std::optional<std::vector<Record>> readRecords(std::string_view name, std::size_t recordBytes,
                                                   const std::array<RecordField<Record>, N>& layout,
                                                   std::string_view unit, std::size_t numberOfFirst,
                                                   std::vector<bool>& allZero) {
        const auto path = existing(name);
        if (!path)
            return std::nullopt;
        std::string bytes;
        try {
            bytes = readRecordFileBytes(*path, recordBytes);
        } catch (const DataError& failure) {
            error(name, {}, {}, failure.what());
            return std::nullopt;
        }
        if (const std::size_t rest = bytes.size() % recordBytes; rest != 0)
            warning(name, {}, {},
                    "the last record is partial: " + std::to_string(rest) + " of " +
                        std::to_string(recordBytes) + " bytes");
        std::vector<Record> records;
        forEachRecord(bytes, recordBytes, [&](std::span<const std::uint8_t> record) {
            records.push_back(decodeRecord<Record>(layout, record));
            allZero.push_back(std::ranges::all_of(record, [](std::uint8_t b) { return b == 0; }));
        });
        // A partial last record has its own warning.
        if (bytes.size() % recordBytes != 0)
            allZero.back() = false;
        for (std::size_t first = 0; first < allZero.size();) {
            if (!allZero[first]) {
                ++first;
                continue;
            }
            std::size_t last = first;
            while (last + 1 < allZero.size() && allZero[last + 1])
                ++last;
            warning(name, recordPlace(first, last, unit, numberOfFirst), {},
                    "all zeros, as a Save past the end of a shorter file leaves the records it "
                    "skips; give " +
                        std::string(first == last ? "it values unless it is"
                                                  : "them values unless they are") +
                        " meant to be empty");
            first = last + 1;
        }
        return records;
    }

    void checkStats() {
        std::vector<bool> allZero;
        const auto records = readRecords(kMonsterFileName, kMonsterRecordBytes, kMonsterLayout,
                                         "sprite", 0, allZero);
        if (!records)
            return;
        report_.statsRecords = records->size();
        if (lastMonsterIndex_ && records->size() < static_cast<std::size_t>(report_.sprites))
            error(kMonsterFileName, {}, {},
                  std::to_string(records->size()) + " records for " +
                      std::to_string(report_.sprites) + " sprites: " +
                      spriteRange(static_cast<int>(records->size()), *lastMonsterIndex_) +
                      " no stats");
        for (std::size_t i = 0; i < records->size(); ++i) {
            const MonsterRecord& r = (*records)[i];
            const std::string place = recordPlace(i, i, "sprite", 0);
            checkRanges(kMonsterFileName, kMonsterLayout, r, place);
            if (r.hp2 != r.hp)
                error(kMonsterFileName, place, "hp2",
                      std::to_string(r.hp2) + " differs from hp " + std::to_string(r.hp));
        }
    }

    // Every field whose layout names the values the game expects; a sprite number is
    // checked only once the sprite file has been counted.
    template <typename Record, std::size_t N>
    void checkRanges(std::string_view file, const std::array<RecordField<Record>, N>& layout,
                     Record record, const std::string& place) {
        for (const RecordField<Record>& field : layout) {
            const ExpectedRange& range = field.expected;
            if (field.kind != FieldKind::Int16 || range.anyValue() ||
                (range.upToLastSprite && !lastMonsterIndex_))
                continue;
            const int value = *field.int16(record);
            const int high = range.upToLastSprite ? *lastMonsterIndex_ : range.high;
            if (value < range.low || value > high)
                error(file, place, std::string(field.name),
                      (range.upToLastSprite ? "monster " : "") + std::to_string(value) +
                          " is outside " + std::to_string(range.low) + " to " +
                          std::to_string(high));
        }
    }

    void checkEncounters() {
        std::vector<bool> allZero;
        const auto records = readRecords(kEncounterFileName, kEncounterRecordBytes,
                                         kEncounterLayout, "map", 1, allZero);
        if (!records)
            return;
        report_.encounterRecords = records->size();
        if (records->size() < static_cast<std::size_t>(kMapCount))
            warning(kEncounterFileName, {}, {},
                    std::to_string(records->size()) + " records for the " +
                        std::to_string(kMapCount) + " maps the editor lists");
        for (std::size_t i = 0; i < records->size(); ++i) {
            const EncounterRecord& r = (*records)[i];
            const std::string place = recordPlace(i, i, "map", 1);
            checkRanges(kEncounterFileName, kEncounterLayout, r, place);
            // An all-zero map's frequencies add up to 0: its warning above says more.
            const int total = std::accumulate(r.monFreq.begin(), r.monFreq.end(), 0);
            if (total != kFrequencyTotal && !allZero[i])
                warning(kEncounterFileName, place, "monFreq0-4",
                        "the frequencies add up to " + std::to_string(total) + ", not " +
                            std::to_string(kFrequencyTotal));
        }
    }

    void checkItemNames() {
        const auto path = existing(kItemListFileName);
        if (!path)
            return;
        std::vector<TextField> fields;
        try {
            fields = readItemFields(*path);
        } catch (const DataError& failure) {
            error(kItemListFileName, {}, {}, failure.what());
            return;
        }
        report_.itemNames = static_cast<int>(fields.size());
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const TextField& field = fields[k];
            if (!field.quoteRunsOn)
                continue;
            const std::string place =
                "item " + std::to_string(k) + " (line " + std::to_string(field.line) + ")";
            warning(kItemListFileName, place, {},
                    field.quoteClosed
                        ? "its quote closes only on line " + std::to_string(field.endLine) +
                              ", so the name takes in the line break and what follows"
                        : "its quote never closes, so the name runs to the end of the file");
        }
        if (fields.size() < kItemCount)
            error(kItemListFileName, {}, {},
                  std::to_string(fields.size()) + " item names; the editor reads " +
                      std::to_string(kItemCount));
    }

    // A replace that was killed between writing and renaming leaves its new file behind.
    // Only an import replaces a file, and the next import of the same file removes it.
    void checkLeftovers() {
        const std::pair<const char*, const char*> files[] = {
            {kPaletteFileName, nullptr},
            {kSpriteFileName, nullptr},
            {kMonsterFileName, "import-stats"},
            {kEncounterFileName, "import-encounters"},
            {kItemListFileName, nullptr}};
        for (const auto& [name, import] : files) {
            try {
                const GamePath leftover = replacementPath(folder_.file(name));
                if (pathKind(leftover) == PathKind::Missing)
                    continue;
                warning(name, {}, {},
                        escapeForMessage(leftover.filename().string()) +
                            " was left beside it by a replace that did not finish; " +
                            (import ? std::string("the next valmor-data ") + import +
                                          " removes it, or remove it by hand"
                                    : std::string("nothing changes it; remove it by hand")));
            } catch (const DataError&) {
                // A name that cannot be followed is reported where the file itself is read.
            }
        }
    }

    // A sprite import that was stopped leaves its rollback journal, which the next
    // import-sprite or import-sprites rolls back under the lock, or sets aside when it does
    // not belong to the file as it is.
    void checkSpriteJournal() {
        const GamePath sprites = folder_.file(kSpriteFileName);
        try {
            const JournalFinding found = inspectJournal(sprites);
            const std::string name = escapeForMessage(journalPath(sprites).filename().string());
            const std::optional<GamePath> free = freeRefusedJournalPath(sprites);
            switch (found.state) {
            case JournalState::None:
                break;
            case JournalState::InProgress:
                warning(kSpriteFileName, {}, {},
                        name + " belongs to a sprite import in progress (another valmor-data "
                               "holds the file's lock); run check again once it has finished");
                break;
            case JournalState::Complete:
                error(kSpriteFileName, {}, {},
                      name + " was left by an interrupted sprite import: the file may hold "
                             "some of its new sprites; the next import-sprite or import-sprites "
                             "puts the old ones back");
                break;
            case JournalState::Undone:
                warning(kSpriteFileName, {}, {},
                        name + " was left by an interrupted sprite import, but the file holds "
                               "its old sprites; the next import-sprite or import-sprites "
                               "removes it");
                break;
            case JournalState::Torn:
                warning(kSpriteFileName, {}, {},
                        name + " was left half written by an interrupted sprite import, which "
                               "changed nothing; the next import-sprite or import-sprites "
                               "removes it");
                break;
            case JournalState::Refused:
                error(kSpriteFileName, {}, {},
                      name + " does not belong to the file as it is: " +
                          escapeForMessage(found.refusal) + "; " +
                          (free ? "the next import-sprite or import-sprites sets it aside as " +
                                      escapeForMessage(free->filename().string()) +
                                      " and puts nothing back"
                                : "every name it could be set aside under is taken (" +
                                      escapeForMessage(
                                          refusedJournalPath(sprites).filename().string()) +
                                      " to -" + std::to_string(kMostRefusedJournals) +
                                      "): move them away, or every sprite import stops"));
                break;
            }
            for (const GamePath& aside : refusedJournals(sprites))
                warning(kSpriteFileName, {}, {},
                        escapeForMessage(aside.filename().string()) +
                            " was set aside, not applied, by a sprite import: a journal of "
                            "another file or of a file changed since, or something else found "
                            "at the journal's name; look at it and remove it once it is not "
                            "needed");
        } catch (const DataError& failure) {
            if (failure.kind() != ErrorKind::BadFileName) // a loop is reported with the file
                error(kSpriteFileName, {}, {},
                      std::string("its rollback journal cannot be read: ") + failure.what());
        }
    }

    GameDirectory folder_;
    CheckReport report_;
    std::optional<std::int16_t> lastMonsterIndex_;
};

} // namespace

CheckReport checkGameFiles(const GameDirectory& folder) {
    return Checker(folder).run();
}

namespace {

template <typename Record, std::size_t N>
void addRangeRules(const std::array<RecordField<Record>, N>& layout,
                   std::vector<std::string>& rules) {
    for (std::size_t i = 0; i < layout.size();) {
        const ExpectedRange& range = layout[i].expected;
        std::size_t end = i + 1;
        while (end < layout.size() && layout[end].expected == range)
            ++end;
        if (!range.anyValue()) {
            const std::string first(layout[i].name);
            const std::string last(layout[end - 1].name);
            const std::string names = end - i == 1   ? first
                                      : end - i == 2 ? first + " or " + last
                                                     : first + " to " + last;
            rules.push_back(names + " outside " + std::to_string(range.low) + " to " +
                            (range.upToLastSprite ? std::string("the last sprite number")
                                                  : std::to_string(range.high)));
        }
        i = end;
    }
}

} // namespace

std::vector<std::string> fieldRangeRules() {
    std::vector<std::string> rules;
    addRangeRules(kMonsterLayout, rules);
    addRangeRules(kEncounterLayout, rules);
    return rules;
}

std::string checkDescription() {
    return helpText("check");
}

int check(const Session& session) {
    const CheckReport report = checkGameFiles(session.folder);
    for (const CheckProblem& problem : report.problems)
        session.out << formatProblem(problem) << '\n';
    const auto errors =
        std::ranges::count(report.problems, Severity::Error, &CheckProblem::severity);
    const auto warnings = static_cast<std::ptrdiff_t>(report.problems.size()) - errors;
    if (report.problems.empty())
        session.out << "check: no problems in " << report.sprites << " sprites, "
                    << report.statsRecords << " stats records, " << report.encounterRecords
                    << " encounter records and " << report.itemNames << " item names\n";
    else
        session.out << "check: " << errors << (errors == 1 ? " error, " : " errors, ") << warnings
                    << (warnings == 1 ? " warning\n" : " warnings\n");
    return report.exitStatus();
}

} // namespace valmor::cli
