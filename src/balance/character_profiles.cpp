#include "balance/character_profiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
#include <unordered_map>

#include "balance/balance_text.h"
#include "files/error.h"
#include "game/tables/csv.h"
#include "game/tables/text_stream.h"

namespace valmor {

double& profileValue(CharacterProfile& profile, std::size_t column) {
    const std::array<double*, kProfileColumns.size()> fields{
        &profile.level,      &profile.strength,    &profile.agility,
        &profile.itemDamage, &profile.itemDefense, &profile.hp};
    return *fields[column];
}

std::string_view trimmedBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<double> finiteNumberIn(std::string_view text) {
    text = trimmedBlanks(text);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string levelName(double level) {
    return "L" + formatNumber(level);
}

std::vector<CharacterProfile> profilesFromCsv(std::string_view text, const std::string& source) {
    using tables::Cell;
    using tables::TextPosition;
    std::istringstream in{std::string(text)};
    tables::TextStream stream(in, source);
    tables::CsvReader reader(stream);
    std::vector<std::vector<Cell>> records;
    for (std::vector<Cell> record; reader.next(record);)
        records.push_back(record);
    const auto problem = [](std::string message) {
        return DataError(ErrorKind::InvalidPropertyValue, std::move(message));
    };
    const auto fail = [&](TextPosition at, std::string_view message) {
        return problem(source + ':' + std::to_string(at.line) + ':' + std::to_string(at.column) +
                       ": " + std::string(message));
    };
    if (records.empty())
        throw problem(source + ": no header; expected the columns name,level,strength,"
                               "agility,item_damage,item_defense,hp");
    const std::vector<Cell>& header = records.front();
    const auto columnOf = [&](std::string_view name) {
        const auto found = std::find_if(header.begin(), header.end(), [&](const Cell& cell) {
            return trimmedBlanks(cell.text) == name;
        });
        if (found == header.end())
            throw fail(header.front().at, "no column " + std::string(name));
        return static_cast<std::size_t>(found - header.begin());
    };
    const std::size_t nameColumn = columnOf("name");
    std::array<std::size_t, kProfileColumns.size()> columns{};
    for (std::size_t c = 0; c < columns.size(); ++c)
        columns[c] = columnOf(kProfileColumns[c]);

    std::vector<CharacterProfile> profiles;
    // Where each name was first given: two profiles of one name could not be told apart
    // in any output. Names are kept without the blanks at their ends, which no output
    // shows either ("Bob" and "Bob " are one name); the letter case tells names apart.
    std::unordered_map<std::string, TextPosition> named;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::vector<Cell>& row = records[r];
        if (row.size() != header.size())
            throw fail(row.front().at, std::to_string(row.size()) +
                                           " fields where the header has " +
                                           std::to_string(header.size()));
        CharacterProfile& profile = profiles.emplace_back();
        profile.name = trimmedBlanks(row[nameColumn].text);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const Cell& cell = row[columns[c]];
            const auto value = finiteNumberIn(cell.text);
            if (!value)
                throw fail(cell.at, std::string(kProfileColumns[c]) + ": " +
                                        tables::shown(cell.text) + " is not a number");
            profileValue(profile, c) = *value;
        }
        if (!(profile.hp > 0))
            throw fail(row[columns.back()].at, "hp: must be above 0");
        if (profile.name.empty())
            profile.name = levelName(profile.level);
        const TextPosition at = row[nameColumn].at;
        if (const auto [first, added] = named.try_emplace(profile.name, at); !added)
            throw fail(at, "name " + tables::shown(profile.name) + " is also the name on line " +
                               std::to_string(first->second.line) +
                               "; give each profile its own name");
    }
    if (profiles.empty())
        throw problem(source + ": no profiles, only a header");
    return profiles;
}

} // namespace valmor
