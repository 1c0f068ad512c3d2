#include "balance/targets.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "balance/balance_text.h"
#include "balance/character_profiles.h"
#include "files/error.h"
#include "game/encounter_record.h"
#include "game/tables/csv.h"
#include "game/tables/text_stream.h"

namespace valmor {

namespace {

// Percentages are compared as the model works them out; this leaves room for the last
// bit of a sum that should come out exactly on a band's edge.
constexpr double kTolerance = 1e-9;

// Rows that name every cell again and again would take long to read for nothing: a table
// naming more cells than this in all is refused (every cell of 268 maps and 200 profiles
// named by 100 rows is 5.36 million).
constexpr std::size_t kMostCellsNamed = 20'000'000;

constexpr std::array<std::string_view, 4> kTargetColumns{"maps", "profile", "defeat_min",
                                                         "defeat_max"};

std::optional<int> wholeNumberIn(std::string_view text) {
    text = trimmedBlanks(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::string bandText(const TargetBand& band) {
    return formatNumber(band.min) + '-' + formatNumber(band.max) + '%';
}

std::optional<double> targetPercent(const MapOutcome& outcome) {
    switch (outcome.verdict) {
    case Verdict::Unbeatable:
        return 100.0;
    case Verdict::Empty:
        return 0.0;
    case Verdict::Error:
        return std::nullopt;
    default:
        return outcome.defeatPercent;
    }
}

TargetStatus targetStatus(const std::optional<TargetBand>& band, const MapOutcome& outcome) {
    return targetStatus(band, targetPercent(outcome));
}

TargetStatus targetStatus(const std::optional<TargetBand>& band, std::optional<double> percent) {
    if (!band)
        return TargetStatus::NoBand;
    if (!percent)
        return TargetStatus::Failed;
    if (*percent > band->max + kTolerance)
        return TargetStatus::TooDangerous;
    if (*percent < band->min - kTolerance)
        return TargetStatus::TooEasy;
    return TargetStatus::Inside;
}

double distanceOutside(const TargetBand& band, const MapOutcome& outcome) {
    const std::optional<double> percent = targetPercent(outcome);
    if (!percent)
        return 100;
    return std::max({0.0, *percent - band.max, band.min - *percent});
}

const std::optional<TargetBand>& TargetBands::band(BalanceCell cell) const {
    static const std::optional<TargetBand> none;
    if (cell.map >= maps_ || cell.profile >= profiles_)
        return none;
    return bands_[cell.map * profiles_ + cell.profile];
}

std::optional<TargetBand>& TargetBands::band(BalanceCell cell) {
    return bands_.at(cell.map * profiles_ + cell.profile);
}

std::size_t TargetBands::bandCount() const {
    return static_cast<std::size_t>(std::ranges::count_if(
        bands_, [](const std::optional<TargetBand>& band) { return band.has_value(); }));
}

TargetBands targetsFromCsv(std::string_view text, const std::string& source,
                           const std::vector<CharacterProfile>& profiles) {
    using tables::Cell;
    using tables::TextPosition;
    std::istringstream in{std::string(text)};
    tables::TextStream stream(in, source);
    tables::CsvReader reader(stream);
    const auto fail = [&](TextPosition at, std::string_view message) {
        return DataError(ErrorKind::InvalidPropertyValue, source + ':' + std::to_string(at.line) +
                                                              ':' + std::to_string(at.column) +
                                                              ": " + std::string(message));
    };

    std::vector<Cell> header;
    if (!reader.next(header))
        throw DataError(ErrorKind::InvalidPropertyValue,
                        source + ": no header; expected the columns maps,profile,defeat_min,"
                                 "defeat_max");
    std::array<std::size_t, kTargetColumns.size()> columns{};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto found = std::ranges::find_if(header, [&](const Cell& cell) {
            return trimmedBlanks(cell.text) == kTargetColumns[c];
        });
        if (found == header.end())
            throw fail(header.front().at, "no column " + std::string(kTargetColumns[c]));
        const auto again = std::find_if(found + 1, header.end(), [&](const Cell& cell) {
            return trimmedBlanks(cell.text) == kTargetColumns[c];
        });
        if (again != header.end())
            throw fail(again->at, "a second column " + std::string(kTargetColumns[c]) +
                                      "; give each column once");
        columns[c] = static_cast<std::size_t>(found - header.begin());
    }

    TargetBands bands(static_cast<std::size_t>(kMapCount), profiles.size());
    // Per cell, the lines that gave its band's ends, to name them when a later band misses it.
    std::size_t named = 0; // cells named by the rows so far, counted once per row
    std::vector<std::array<std::int64_t, 2>> givenOn(bands.mapCount() * profiles.size(), {0, 0});
    for (std::vector<Cell> row; reader.next(row);) {
        if (row.size() != header.size())
            throw fail(row.front().at, std::to_string(row.size()) +
                                           " fields where the header has " +
                                           std::to_string(header.size()));
        const Cell& mapsCell = row[columns[0]];
        const std::string_view maps = trimmedBlanks(mapsCell.text);
        const std::size_t dash = maps.find('-', 1);
        const auto first = wholeNumberIn(maps.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : wholeNumberIn(maps.substr(dash + 1));
        if (!first || !last)
            throw fail(mapsCell.at, "maps: " + tables::shown(mapsCell.text) +
                                        " is not a map number or a range such as 12-37");
        if (*first < 1 || *last > kMapCount || *first > *last)
            throw fail(mapsCell.at, "maps: " + tables::shown(mapsCell.text) + " is not within 1-" +
                                        std::to_string(kMapCount) +
                                        (*first > *last ? " (the range runs backwards)" : ""));

        const Cell& profileCell = row[columns[1]];
        const std::string_view profileName = trimmedBlanks(profileCell.text);
        std::size_t fromProfile = 0;
        std::size_t toProfile = profiles.size();
        if (profileName != "*") {
            const auto found = std::ranges::find(profiles, profileName, &CharacterProfile::name);
            if (found == profiles.end())
                throw fail(profileCell.at, "profile: " + tables::shown(profileCell.text) +
                                               " is not a profile in use (give a profile's "
                                               "name, or * for all)");
            fromProfile = static_cast<std::size_t>(found - profiles.begin());
            toProfile = fromProfile + 1;
        }

        TargetBand band;
        for (std::size_t end = 0; end < 2; ++end) {
            const Cell& cell = row[columns[2 + end]];
            if (trimmedBlanks(cell.text).empty())
                continue;
            const auto value = finiteNumberIn(cell.text);
            if (!value || *value < 0 || *value > 100)
                throw fail(cell.at, std::string(kTargetColumns[2 + end]) + ": " +
                                        tables::shown(cell.text) +
                                        " is not a percentage from 0 to 100");
            (end == 0 ? band.min : band.max) = *value;
        }
        if (band.min > band.max)
            throw fail(row[columns[2]].at, "defeat_min " + formatNumber(band.min) +
                                               " is above defeat_max " + formatNumber(band.max));

        const std::int64_t line = row.front().at.line;
        named += static_cast<std::size_t>(*last - *first + 1) * (toProfile - fromProfile);
        if (named > kMostCellsNamed)
            throw fail(mapsCell.at, "the rows so far name more than " +
                                        std::to_string(kMostCellsNamed) +
                                        " cells in all; a targets table of that size is refused");
        for (int map = *first; map <= *last; ++map) {
            for (std::size_t p = fromProfile; p < toProfile; ++p) {
                const BalanceCell cell{static_cast<std::size_t>(map - 1), p};
                std::optional<TargetBand>& held = bands.band(cell);
                std::array<std::int64_t, 2>& lines = givenOn[cell.map * profiles.size() + p];
                if (!held) {
                    held = band;
                    lines = {line, line};
                    continue;
                }
                const TargetBand overlap{std::max(held->min, band.min),
                                         std::min(held->max, band.max)};
                if (overlap.min > overlap.max)
                    throw fail(mapsCell.at,
                               "the band " + bandText(band) + " for map " + std::to_string(map) +
                                   ' ' + profiles[p].name + " does not overlap " + bandText(*held) +
                                   " given on line " +
                                   std::to_string(band.min > held->max ? lines[1] : lines[0]));
                if (band.min > held->min)
                    lines[0] = line;
                if (band.max < held->max)
                    lines[1] = line;
                held = overlap;
            }
        }
    }
    return bands;
}

} // namespace valmor
