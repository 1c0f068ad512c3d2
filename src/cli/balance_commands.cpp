#include "cli/balance_commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "data/item_list.h"
#include "tables/csv.h"
#include "tables/json.h"
#include "tables/latin1.h"
#include "tables/text_stream.h"
#include "tables/text_table.h"

namespace valmor::cli {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole, finite number, or nothing.
std::optional<double> numberIn(std::string_view text) {
    text = trimmed(text);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

constexpr std::array<std::string_view, 6> kProfileColumns{"level",       "strength",     "agility",
                                                          "item_damage", "item_defense", "hp"};

void setProfileValue(CharacterProfile& profile, std::size_t column, double value) {
    std::array<double*, 6> fields{&profile.level,      &profile.strength,    &profile.agility,
                                  &profile.itemDamage, &profile.itemDefense, &profile.hp};
    *fields[column] = value;
}

std::string percent(double share) {
    return formatNumber(share * 100) + "%";
}

// "error (monster 12: Overflow)" names the failing monster; the rest are plain words.
std::string verdictText(const MapOutcome& outcome) {
    std::string text(verdictName(outcome.verdict));
    if (!outcome.problem.empty())
        text += " (" + outcome.problem + ")";
    return text;
}

std::string monstersText(const MapOutcome& outcome) {
    std::string text;
    for (const MonsterChance& m : outcome.monsters) {
        if (!text.empty())
            text += ';';
        text += std::to_string(m.monster) + ':' + percent(m.chance);
    }
    return text;
}

constexpr std::array<std::string_view, 11> kMapColumns{
    "map",  "profile", "monsters",   "group",     "hits",   "exp",
    "gold", "damage",  "damage_pct", "worst_pct", "verdict"};
constexpr std::array<std::string_view, 8> kMonsterColumns{
    "monster",           "name",
    "profile",           "damage_to_monster",
    "damage_to_char",    "hits_to_kill_monster",
    "hits_to_kill_char", "maps"};

template <std::size_t N>
void appendCsvHeader(std::string& out, const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0)
            out += ',';
        out += names[i];
    }
    endCsvRecord(out);
}

void appendCsvCell(std::string& out, bool first, bool text, std::string_view value) {
    if (!first)
        out += ',';
    if (text)
        appendCsvText(out, value);
    else
        appendCsvNumber(out, value);
}

void appendJsonKey(std::string& out, std::string_view key) {
    if (out.back() != '{')
        out += ',';
    appendJsonString(out, key);
    out += ':';
}

void appendJsonNumber(std::string& out, std::string_view key, const std::string& number) {
    appendJsonKey(out, key);
    out += number.empty() ? "null" : number;
}

void appendJsonText(std::string& out, std::string_view key, std::string_view text) {
    appendJsonKey(out, key);
    appendJsonString(out, text);
}

std::string mapsTable(const GameData& data, const Balance& balance, TableFormat format) {
    std::string out;
    const std::size_t maps = data.encounters.size();
    if (format == TableFormat::Csv) {
        appendCsvHeader(out, kMapColumns);
        for (std::size_t m = 0; m < maps; ++m) {
            for (const ProfileBalance& profile : balance.profiles) {
                const MapOutcome& o = profile.maps[m];
                appendCsvCell(out, true, false, std::to_string(o.map));
                appendCsvCell(out, false, true, profile.character.name);
                appendCsvCell(out, false, true, monstersText(o));
                for (const std::string& number : outcomeNumbers(o))
                    appendCsvCell(out, false, false, number);
                appendCsvCell(out, false, true, verdictText(o));
                endCsvRecord(out);
            }
        }
        return out;
    }
    out += '[';
    for (std::size_t m = 0; m < maps; ++m) {
        for (const ProfileBalance& profile : balance.profiles) {
            const MapOutcome& o = profile.maps[m];
            out += out.size() > 1 ? ",\n{" : "\n{";
            appendJsonNumber(out, "map", std::to_string(o.map));
            appendJsonText(out, "profile", profile.character.name);
            appendJsonKey(out, "monsters");
            out += '[';
            for (const MonsterChance& chance : o.monsters) {
                out += out.back() == '[' ? "{" : ",{";
                appendJsonNumber(out, "monster", std::to_string(chance.monster));
                appendJsonNumber(out, "chance_pct", formatNumber(chance.chance * 100));
                out += '}';
            }
            out += ']';
            const auto numbers = outcomeNumbers(o);
            for (std::size_t i = 0; i < numbers.size(); ++i)
                appendJsonNumber(out, kMapColumns[3 + i], numbers[i]);
            appendJsonText(out, "verdict", verdictText(o));
            appendJsonKey(out, "drops");
            out += '[';
            for (const ItemDrop& drop : o.drops) {
                out += out.back() == '[' ? "{" : ",{";
                appendJsonNumber(out, "item", std::to_string(drop.item));
                const auto index = static_cast<std::size_t>(drop.item);
                appendJsonText(out, "name",
                               index < data.itemNames.size()
                                   ? latin1ToUtf8(trimmed(data.itemNames[index]))
                                   : std::string());
                appendJsonNumber(out, "expected", formatNumber(drop.expected));
                out += '}';
            }
            out += "]}";
        }
    }
    out += "\n]\n";
    return out;
}

std::string monstersTable(const GameData& data, const Balance& balance, TableFormat format) {
    std::string out;
    const bool csv = format == TableFormat::Csv;
    if (csv)
        appendCsvHeader(out, kMonsterColumns);
    else
        out += '[';
    for (std::size_t n = 0; n < data.monsters.size(); ++n) {
        const std::string name = storedText(data.monsters[n].name);
        const std::string maps = std::to_string(balance.mapsPerMonster[n]);
        for (const ProfileBalance& profile : balance.profiles) {
            const auto cells = resultTexts(profile.battles[n]);
            if (csv) {
                appendCsvCell(out, true, false, std::to_string(n));
                appendCsvCell(out, false, true, name);
                appendCsvCell(out, false, true, profile.character.name);
                for (const std::string& cell : cells)
                    appendCsvCell(out, false, !cell.empty() && !numberIn(cell), cell);
                appendCsvCell(out, false, false, maps);
                endCsvRecord(out);
                continue;
            }
            out += out.size() > 1 ? ",\n{" : "\n{";
            appendJsonNumber(out, "monster", std::to_string(n));
            appendJsonText(out, "name", name);
            appendJsonText(out, "profile", profile.character.name);
            for (std::size_t r = 0; r < cells.size(); ++r) {
                if (cells[r].empty())
                    appendJsonNumber(out, kMonsterColumns[3 + r], "");
                else
                    appendJsonText(out, kMonsterColumns[3 + r], cells[r]);
            }
            appendJsonNumber(out, "maps", maps);
            out += '}';
        }
    }
    if (!csv)
        out += "\n]\n";
    return out;
}

// The monster number that `text` names: its number, or its name.
int monsterNamed(const std::vector<MonsterRecord>& monsters, std::string_view text) {
    if (monsters.empty())
        throw CliError("the stats file holds no monsters");
    if (const auto number = numberIn(text)) {
        if (*number != std::floor(*number) || *number < 0 ||
            *number >= static_cast<double>(monsters.size()))
            throw CliError("monster " + std::string(trimmed(text)) + ": the stats file holds " +
                           std::to_string(monsters.size()) + " monsters, 0 to " +
                           std::to_string(monsters.size() - 1));
        return static_cast<int>(*number);
    }
    for (std::size_t n = 0; n < monsters.size(); ++n) {
        if (equalIgnoringCase(trimmed(storedText(monsters[n].name)), trimmed(text)))
            return static_cast<int>(n);
    }
    throw CliError("no monster is named \"" + std::string(text) + "\"");
}

} // namespace

const std::string& balanceHelp() {
    static const std::string text =
        "Works out, for every map and character profile, the expected outcome of one random\n"
        "encounter, with the calculator's own arithmetic against every monster. Profiles come\n"
        "from --character (repeatable; named L<level>) or from --characters, one a row. CSV\n"
        "columns: map,profile,monsters,group,hits,exp,gold,damage,damage_pct,worst_pct,verdict\n"
        "(monsters as number:chance% pairs, group is E[k], numbers to 6 significant digits,\n"
        "empty where the verdict leaves them unknown). JSON adds the expected drops. With\n"
        "--monsters: monster,name,profile,damage_to_monster,damage_to_char,\n"
        "hits_to_kill_monster,hits_to_kill_char,maps, the texts as the calculator window shows\n"
        "them (the failing step's cell holds its error) and the number of maps where it counts.\n"
        "\n" +
        std::string(kEncounterModelHelp);
    return text;
}

std::array<std::string, 7> outcomeNumbers(const MapOutcome& o) {
    const auto known = [&](double value) {
        return o.draw.empty ? std::string() : formatNumber(value);
    };
    const auto optional = [](const std::optional<double>& value) {
        return value ? formatNumber(*value) : std::string();
    };
    return {known(o.group),          optional(o.hits),   known(o.exp),
            known(o.gold),           optional(o.damage), optional(o.damagePercent),
            optional(o.worstPercent)};
}

std::string formatNumber(double value) {
    if (value == 0)
        return "0";
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

CharacterProfile characterFromOption(std::string_view text) {
    CharacterProfile profile;
    std::size_t column = 0;
    std::string_view rest = text;
    for (; column < kProfileColumns.size(); ++column) {
        const std::size_t comma = rest.find(',');
        const std::string_view part = rest.substr(0, comma);
        const auto value = numberIn(part);
        if (!value || (column + 1 < kProfileColumns.size()) == (comma == std::string_view::npos))
            break;
        setProfileValue(profile, column, *value);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    if (column != kProfileColumns.size())
        throw UsageError("--character " + std::string(text) +
                         ": expected six numbers L,S,A,D,DEF,HP (level, strength, agility, item "
                         "damage, item defense, HP)");
    if (!(profile.hp > 0))
        throw UsageError("--character " + std::string(text) + ": HP must be above 0");
    profile.name = "L" + formatNumber(profile.level);
    return profile;
}

std::vector<CharacterProfile> charactersFromCsv(std::string_view text, const std::string& source) {
    std::istringstream in{std::string(text)};
    TextStream stream(in, source);
    CsvReader reader(stream);
    std::vector<std::vector<Cell>> records;
    for (std::vector<Cell> record; reader.next(record);)
        records.push_back(record);
    const auto fail = [&](TextPosition at, std::string_view message) {
        return CliError(source + ':' + std::to_string(at.line) + ':' + std::to_string(at.column) +
                        ": " + std::string(message));
    };
    if (records.empty())
        throw CliError(source + ": no header; expected the columns name,level,strength,"
                                "agility,item_damage,item_defense,hp");
    const std::vector<Cell>& header = records.front();
    const auto columnOf = [&](std::string_view name) {
        const auto found = std::find_if(header.begin(), header.end(), [&](const Cell& cell) {
            return trimmed(cell.text) == name;
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
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::vector<Cell>& row = records[r];
        if (row.size() != header.size())
            throw fail(row.front().at, std::to_string(row.size()) +
                                           " fields where the header has " +
                                           std::to_string(header.size()));
        CharacterProfile& profile = profiles.emplace_back();
        profile.name = row[nameColumn].text;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const Cell& cell = row[columns[c]];
            const auto value = numberIn(cell.text);
            if (!value)
                throw fail(cell.at, std::string(kProfileColumns[c]) + ": " + shown(cell.text) +
                                        " is not a number");
            setProfileValue(profile, c, *value);
        }
        if (!(profile.hp > 0))
            throw fail(row[columns.back()].at, "hp: must be above 0");
        if (trimmed(profile.name).empty())
            profile.name = "L" + formatNumber(profile.level);
    }
    if (profiles.empty())
        throw CliError(source + ": no profiles, only a header");
    return profiles;
}

std::vector<CharacterProfile> loadProfiles(const std::vector<std::string>& characterOptions,
                                           const std::filesystem::path& characters) {
    if (characterOptions.empty() == characters.empty())
        throw UsageError("give one or more --character L,S,A,D,DEF,HP, or --characters FILE.csv");
    if (!characters.empty())
        return charactersFromCsv(readWholeFile(characters), characters.string());
    std::vector<CharacterProfile> profiles;
    for (const std::string& option : characterOptions)
        profiles.push_back(characterFromOption(option));
    return profiles;
}

void writeBalance(const Session& session, const std::vector<CharacterProfile>& profiles,
                  TableFormat format, BalanceRows rows, const std::filesystem::path& output) {
    const GameData data = loadGameData(session.folder);
    const Balance balance = computeBalance(data.monsters, data.encounters, profiles);
    const std::size_t count =
        balance.profiles.size() *
        (rows == BalanceRows::Maps ? data.encounters.size() : data.monsters.size());
    if (writeOutput(session, output,
                    rows == BalanceRows::Maps ? mapsTable(data, balance, format)
                                              : monstersTable(data, balance, format)))
        session.out << "wrote " << count << " rows to " << shownPath(output) << '\n';
}

void whereMonster(const Session& session, std::string_view monster) {
    const GameData data = loadGameData(session.folder);
    const int n = monsterNamed(data.monsters, monster);
    struct Place {
        int map;
        double chance;
        EncounterDraw draw;
    };
    std::vector<Place> places;
    for (std::size_t m = 0; m < data.encounters.size(); ++m) {
        const EncounterRecord& record = data.encounters[m];
        const EncounterDraw draw = encounterDraw(record, data.monsters.size());
        double chance = 0;
        for (std::size_t i = 0; i < draw.slot.size(); ++i) {
            if (record.monIndex[i] == n)
                chance += draw.slot[i];
        }
        if (chance > 0)
            places.push_back({static_cast<int>(m + 1), chance, draw});
    }
    std::ranges::stable_sort(places, std::ranges::greater{}, &Place::chance);
    std::ostringstream out;
    out << escapeForMessage(storedText(data.monsters[static_cast<std::size_t>(n)].name))
        << " (monster " << n << ") counts in " << places.size() << " of " << data.encounters.size()
        << " maps" << (places.empty() ? ".\n" : ":\n");
    if (!places.empty()) {
        out << "   map     chance   1 monster  2 monsters  3 monsters\n";
        for (const Place& place : places) {
            out << std::setw(6) << place.map << std::setw(11) << percent(place.chance);
            for (const double p : place.draw.groupSize)
                out << std::setw(12) << percent(p);
            out << '\n';
        }
    }
    session.out << out.str();
}

} // namespace valmor::cli
