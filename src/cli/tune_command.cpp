#include "cli/tune_command.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ranges>

#include "balance/character_profiles.h"
#include "cli/balance_commands.h"
#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "files/message_text.h"
#include "game/tables/progress.h"
#include "game/tables/text_table.h"

namespace valmor::cli {

namespace {

// Cells named in one line of the summary before "and N more".
constexpr std::size_t kCellsPerLine = 6;

std::vector<std::string_view> commaSeparated(std::string_view text) {
    std::vector<std::string_view> parts;
    for (const auto part : std::views::split(text, ','))
        parts.push_back(trimmedBlanks(std::string_view(part.begin(), part.end())));
    return parts;
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string cellList(const std::vector<BalanceCell>& cells,
                     const std::vector<CharacterProfile>& profiles) {
    std::string text;
    for (std::size_t i = 0; i < cells.size() && i < kCellsPerLine; ++i)
        text += (i ? ", " : "") + cellName(cells[i], profiles);
    if (cells.size() > kCellsPerLine)
        text += " and " + std::to_string(cells.size() - kCellsPerLine) + " more";
    return text;
}

void writeSummary(std::ostream& err, const TuneResult& result, const TargetBands& bands,
                  const std::vector<CharacterProfile>& profiles,
                  const std::vector<MonsterRecord>& monsters) {
    const auto line = [&](const std::string& text) { err << escapeForMessage(text) << '\n'; };
    line("tune: " + std::to_string(result.missedBefore.size()) + " of " +
         std::to_string(bands.bandCount()) + " cells with a target band were outside it; with " +
         std::to_string(result.changes.size()) +
         (result.changes.size() == 1 ? " change, " : " changes, ") +
         std::to_string(result.missedAfter.size()) +
         (result.missedAfter.size() == 1 ? " is" : " are"));
    for (const TunedChange& tuned : result.changes) {
        std::string text = "  " + changeText(tuned.change, monsters);
        if (!tuned.fixes.empty())
            text += "; fixes " + cellList(tuned.fixes, profiles);
        if (!tuned.breaks.empty())
            text += "; puts " + cellList(tuned.breaks, profiles) + " outside";
        line(text);
    }
    if (!result.unmet.empty())
        line("cells still outside their band, and why:");
    for (const UnmetCell& unmet : result.unmet)
        line("  " + cellName(unmet.cell, profiles) + ": " + unmet.reason);
    line("The search takes the best change of one value at a time and then moves every value "
         "back as far as the bands allow; it does not prove that no smaller set of changes "
         "exists.");
}

} // namespace

TuneOptions tuneOptions(const std::optional<std::string>& leversGiven,
                        const std::optional<std::string>& monstersGiven,
                        const std::optional<std::string>& fieldsGiven,
                        const std::optional<std::string>& maxChangeGiven) {
    const auto given = [](const std::optional<std::string>& value, std::string_view option,
                          std::string_view what) -> std::string_view {
        if (value && trimmedBlanks(*value).empty())
            throw UsageError(std::string(option) + " is empty; give " + std::string(what));
        return value ? std::string_view(*value) : std::string_view();
    };
    const std::string_view levers =
        given(leversGiven, "--levers", "stats, frequencies or stats,frequencies");
    const std::string_view monsters =
        given(monstersGiven, "--monsters", "monster numbers and ranges such as 3,7-9");
    const std::string_view fields =
        given(fieldsGiven, "--fields", "some of hp,strength,agility,offMax,def,level");
    const std::string_view maxChange =
        given(maxChangeGiven, "--max-change", "a percentage above 0");
    TuneOptions options;
    if (!levers.empty()) {
        options.stats = false;
        for (const std::string_view lever : commaSeparated(levers)) {
            if (lever == "stats")
                options.stats = true;
            else if (lever == "frequencies")
                options.frequencies = true;
            else
                throw UsageError("--levers: " + tables::shown(lever) +
                                 " is not a lever; use stats, frequencies or stats,frequencies");
        }
    }
    if (!monsters.empty()) {
        std::vector<int> allowed;
        for (const std::string_view part : commaSeparated(monsters)) {
            const std::size_t dash = part.find('-', 1);
            const auto first = wholeNumber(part.substr(0, dash));
            const auto last =
                dash == std::string_view::npos ? first : wholeNumber(part.substr(dash + 1));
            if (!first || !last || *first < 0 || *last > 32767 || *first > *last)
                throw UsageError("--monsters: " + tables::shown(part) +
                                 " is not a monster number or a range such as 3-9");
            for (int n = *first; n <= *last; ++n)
                allowed.push_back(n);
        }
        std::ranges::sort(allowed);
        allowed.erase(std::unique(allowed.begin(), allowed.end()), allowed.end());
        options.monsters = std::move(allowed);
    }
    if (!fields.empty()) {
        for (const std::string_view field : commaSeparated(fields)) {
            const auto found = std::ranges::find(kTunableStats, field);
            if (found == kTunableStats.end())
                throw UsageError("--fields: " + tables::shown(field) +
                                 " is not one of hp, strength, agility, offMax, def, level");
            options.fields.push_back(static_cast<std::size_t>(found - kTunableStats.begin()));
        }
        std::ranges::sort(options.fields);
        options.fields.erase(std::unique(options.fields.begin(), options.fields.end()),
                             options.fields.end());
    }
    if (!maxChange.empty()) {
        const auto percent = finiteNumberIn(maxChange);
        if (!percent || *percent <= 0)
            throw UsageError("--max-change: " + tables::shown(maxChange) +
                             " is not a percentage above 0");
        options.maxChangePercent = *percent;
    }
    return options;
}

int tuneCommand(const Session& session, const std::filesystem::path& characters,
                const std::filesystem::path& targets, const std::filesystem::path& output,
                const TuneOptions& options) {
    if (characters.empty() || targets.empty())
        throw UsageError("give --characters FILE.csv and --targets FILE.csv");
    const std::vector<CharacterProfile> profiles =
        charactersFromCsv(readInputFile(characters), characters.string());
    // The search keeps every counted monster's battle against every profile.
    if (profiles.size() > kMostHeatMapProfiles)
        throw CliError("tune takes at most " + std::to_string(kMostHeatMapProfiles) +
                       " profiles, " + std::to_string(profiles.size()) + " given");
    const TargetBands bands = [&] {
        try {
            return targetsFromCsv(readInputFile(targets), targets.string(), profiles);
        } catch (const DataError& error) {
            throw CliError(error.what());
        }
    }();
    const GameData data = loadGameData(session.folder);

    // The bar shows the seconds so far, so that it moves at least once a second however
    // long the share of the work done stays the same.
    tables::Progress progress(progressStream(session), "tune");
    constexpr std::int64_t kSteps = 1000;
    progress.start(kSteps, "steps");
    const auto started = std::chrono::steady_clock::now();
    const TuneResult result =
        tune(data.monsters, data.encounters, profiles, bands, options, [&](double done) {
            const std::chrono::duration<double> seconds =
                std::chrono::steady_clock::now() - started;
            // In tenths, so that the bar is drawn again well within every second.
            progress.setNote(formatNumber(std::floor(seconds.count() * 10) / 10) + " s");
            progress.advanceTo(static_cast<std::int64_t>(done * kSteps));
        });
    progress.finish();

    writeOutput(session, output, changeListCsv(result.changeList()), "a change list",
                {characters, targets});
    writeSummary(session.err, result, bands, profiles, data.monsters);
    return result.allMet() ? kTuneMet : kTuneUnmet;
}

} // namespace valmor::cli
