#include "cli/check.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <span>

#include "cli/files.h"
#include "cli/record_tables.h"
#include "data/encounter_record.h"
#include "data/error.h"
#include "data/item_list.h"
#include "data/monster_record.h"
#include "data/palette.h"
#include "data/sprite.h"
#include "data/text_input.h"

namespace valmor::cli {

int CheckReport::exitStatus() const {
    const auto is = [](Severity severity) {
        return [severity](const CheckProblem& problem) { return problem.severity == severity; };
    };
    if (std::any_of(problems.begin(), problems.end(), is(Severity::Error)))
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
constexpr int kNoItem = -1;
constexpr int kFrequencyTotal = 100;

std::string spriteRange(int first, int last) {
    if (first == last)
        return "sprite " + std::to_string(first) + " has";
    return "sprites " + std::to_string(first) + " to " + std::to_string(last) + " have";
}

class Checker {
public:
    explicit Checker(const std::filesystem::path& directory) : directory_(directory) {}

    CheckReport run() {
        checkPalette();
        checkSprites();
        checkStats();
        checkEncounters();
        checkItemNames();
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

    // The path of a game file, or nothing (and an error) when it is missing.
    std::optional<std::filesystem::path> existing(std::string_view name) {
        const std::filesystem::path path = directory_ / name;
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path, ignored))
            return path;
        error(name, {}, {}, "missing");
        return std::nullopt;
    }

    void checkPalette() {
        const auto path = existing(kPaletteFileName);
        if (!path)
            return;
        try {
            const PaletteLevels levels = loadPalette(*path);
            makeColorFromRGB(levels);
            const std::array components{std::pair{"red", &levels.paletteRed},
                                        std::pair{"green", &levels.paletteGreen},
                                        std::pair{"blue", &levels.paletteBlue}};
            for (int i = 0; i < kPaletteEntries; ++i) {
                for (const auto& [name, scaled] : components) {
                    // The loader has multiplied each level by 4, exactly.
                    const int level = (*scaled)[static_cast<std::size_t>(i)] / 4;
                    if (level < kLowestLevel || level > kHighestLevel)
                        error(kPaletteFileName, "index " + std::to_string(i), name,
                              "level " + std::to_string(level) + " is outside " +
                                  std::to_string(kLowestLevel) + " to " +
                                  std::to_string(kHighestLevel));
                }
            }
        } catch (const DataError& failure) {
            error(kPaletteFileName, {}, {}, failure.what());
        }
    }

    void checkSprites() {
        const auto path = existing(kSpriteFileName);
        if (!path)
            return;
        std::error_code failure;
        const auto length = std::filesystem::file_size(*path, failure);
        if (failure) {
            error(kSpriteFileName, {}, {}, failure.message());
            return;
        }
        try {
            lastMonsterIndex_ = lastSpriteIndex(static_cast<std::int64_t>(length));
            report_.sprites = *lastMonsterIndex_ + 1;
        } catch (const DataError& tooMany) {
            error(kSpriteFileName, {}, {}, tooMany.what());
            return;
        }
        if (const auto rest = length % kSpriteFrameBytes; rest != 0)
            error(kSpriteFileName, {}, {},
                  std::to_string(length) + " bytes are no whole number of " +
                      std::to_string(kSpriteFrameBytes) + "-byte frames: " + std::to_string(rest) +
                      " bytes follow sprite " + std::to_string(*lastMonsterIndex_));
    }

    // The records of a record file, a partial last record read zero-filled; warns about
    // the partial record.
    template <typename Record, typename Decode>
    std::optional<std::vector<Record>> readRecords(std::string_view name, std::size_t recordBytes,
                                                   Decode decode) {
        const auto path = existing(name);
        if (!path)
            return std::nullopt;
        std::string bytes;
        try {
            bytes = readWholeFile(*path);
        } catch (const std::exception& failure) {
            error(name, {}, {}, failure.what());
            return std::nullopt;
        }
        if (const std::size_t rest = bytes.size() % recordBytes; rest != 0)
            warning(name, {}, {},
                    "the last record is partial: " + std::to_string(rest) + " of " +
                        std::to_string(recordBytes) + " bytes");
        std::vector<Record> records;
        std::vector<std::uint8_t> record(recordBytes);
        for (std::size_t at = 0; at < bytes.size(); at += recordBytes) {
            const std::string_view stored = std::string_view(bytes).substr(at, recordBytes);
            std::fill(std::copy(stored.begin(), stored.end(), record.begin()), record.end(), 0);
            records.push_back(decode(record));
        }
        return records;
    }

    void checkStats() {
        const auto records = readRecords<MonsterRecord>(
            kMonsterFileName, kMonsterRecordBytes, [](std::span<const std::uint8_t> bytes) {
                return decodeMonsterRecord(bytes.first<kMonsterRecordBytes>());
            });
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
            const std::string place =
                "record " + std::to_string(i + 1) + " (sprite " + std::to_string(i) + ")";
            for (const auto& [name, item] :
                 {std::pair{"item1", r.item1}, std::pair{"item2", r.item2}}) {
                if (item < kNoItem || item >= kItemCount)
                    error(kMonsterFileName, place, name,
                          std::to_string(item) + " is outside " + std::to_string(kNoItem) + " to " +
                              std::to_string(kItemCount - 1));
            }
            if (r.hp2 != r.hp)
                error(kMonsterFileName, place, "hp2",
                      std::to_string(r.hp2) + " differs from hp " + std::to_string(r.hp));
        }
    }

    void checkEncounters() {
        const auto records = readRecords<EncounterRecord>(
            kEncounterFileName, kEncounterRecordBytes, [](std::span<const std::uint8_t> bytes) {
                return decodeEncounterRecord(bytes.first<kEncounterRecordBytes>());
            });
        if (!records)
            return;
        report_.encounterRecords = records->size();
        if (records->size() < static_cast<std::size_t>(kMapCount))
            warning(kEncounterFileName, {}, {},
                    std::to_string(records->size()) + " records for the " +
                        std::to_string(kMapCount) + " maps the editor lists");
        for (std::size_t i = 0; i < records->size(); ++i) {
            const EncounterRecord& r = (*records)[i];
            const std::string place =
                "record " + std::to_string(i + 1) + " (map " + std::to_string(i + 1) + ")";
            for (std::size_t k = 0; k < r.monIndex.size() && lastMonsterIndex_; ++k) {
                const int monster = r.monIndex[k];
                if (monster < 0 || monster > *lastMonsterIndex_)
                    error(kEncounterFileName, place, std::string(kEncounterLayout[k].name),
                          "monster " + std::to_string(monster) + " is outside 0 to " +
                              std::to_string(*lastMonsterIndex_));
            }
            const int total = std::accumulate(r.monFreq.begin(), r.monFreq.end(), 0);
            if (total != kFrequencyTotal)
                warning(kEncounterFileName, place, "monFreq0-4",
                        "the frequencies add up to " + std::to_string(total) + ", not " +
                            std::to_string(kFrequencyTotal));
        }
    }

    void checkItemNames() {
        const auto path = existing(kItemListFileName);
        if (!path)
            return;
        try {
            TextInputFile input(*path);
            for (; report_.itemNames < kItemCount; ++report_.itemNames)
                input.readField();
        } catch (const DataError& failure) {
            if (failure.kind() != ErrorKind::InputPastEndOfFile) {
                error(kItemListFileName, {}, {}, failure.what());
                return;
            }
            error(kItemListFileName, {}, {},
                  std::to_string(report_.itemNames) + " item names; the editor reads " +
                      std::to_string(kItemCount));
        }
    }

    std::filesystem::path directory_;
    CheckReport report_;
    std::optional<std::int16_t> lastMonsterIndex_;
};

} // namespace

CheckReport checkGameFiles(const std::filesystem::path& directory) {
    return Checker(directory).run();
}

int check(const Session& session) {
    const CheckReport report = checkGameFiles(session.directory);
    for (const CheckProblem& problem : report.problems)
        session.out << formatProblem(problem) << '\n';
    const auto errors = std::count_if(report.problems.begin(), report.problems.end(),
                                      [](const auto& p) { return p.severity == Severity::Error; });
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
