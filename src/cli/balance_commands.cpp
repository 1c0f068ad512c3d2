#include "cli/balance_commands.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "balance/character_profiles.h"
#include "cli/built_in_texts.h"
#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "game/item_list.h"
#include "game/tables/csv.h"
#include "game/tables/json.h"
#include "game/tables/latin1.h"
#include "game/tables/row_writer.h"
#include "game/tables/text_stream.h"
#include "game/tables/text_table.h"

namespace valmor::cli {

using tables::equalIgnoringCase;
using tables::JsonLayout;
using tables::latin1ToUtf8;
using tables::RowWriter;
using tables::storedText;
using tables::TableFormat;

namespace {

constexpr std::array<std::string_view, 8> kMonsterColumns{
    "monster",           "name",
    "profile",           "damage_to_monster",
    "damage_to_char",    "hits_to_kill_monster",
    "hits_to_kill_char", "maps"};

void writeMapRows(std::ostream& out, const GameData& data,
                  const std::vector<CharacterProfile>& profiles, TableFormat format) {
    BattleCache battles(data.monsters, profiles);
    std::string row;
    RowWriter writer(row, format, kMapColumns, JsonLayout::Compact);
    for (std::size_t m = 0; m < data.encounters.size(); ++m) {
        for (std::size_t p = 0; p < profiles.size(); ++p) {
            out << row;
            row.clear();
            const MapOutcome o = mapOutcome(static_cast<int>(m + 1), data.encounters[m],
                                            data.monsters, battles.lookup(p), profiles[p].hp);
            writer.beginRow();
            if (format == TableFormat::Csv) {
                const auto cells = mapRowCells(o, profiles[p].name);
                for (std::size_t c = 0; c < cells.size(); ++c) {
                    if (isTextColumn(c))
                        writer.text(kMapColumns[c], cells[c]);
                    else
                        writer.number(kMapColumns[c], cells[c]);
                }
                writer.endRow();
                continue;
            }
            writer.number("map", std::to_string(o.map));
            writer.text("profile", profiles[p].name);
            writer.beginList("monsters");
            for (const MonsterChance& chance : o.monsters) {
                writer.beginObject();
                writer.number("monster", std::to_string(chance.monster));
                writer.number("chance_pct", formatNumber(chance.chance * 100));
                writer.endObject();
            }
            writer.endList();
            const auto numbers = outcomeNumbers(o);
            for (std::size_t i = 0; i < numbers.size(); ++i)
                writer.number(kMapColumns[3 + i], numbers[i]);
            writer.text("verdict", verdictText(o));
            writer.number("defeat_pct", o.defeatPercent ? formatNumber(*o.defeatPercent) : "");
            writer.beginList("drops");
            for (const ItemDrop& drop : o.drops) {
                writer.beginObject();
                writer.number("item", std::to_string(drop.item));
                const auto index = static_cast<std::size_t>(drop.item);
                writer.text("name", index < data.itemNames.size()
                                        ? latin1ToUtf8(trimmedBlanks(data.itemNames[index]))
                                        : std::string());
                writer.number("expected", formatNumber(drop.expected));
                writer.endObject();
            }
            writer.endList();
            writer.endRow();
        }
    }
    writer.finish();
    out << row;
}

// Every monster is listed, so the calculator runs for every one.
void writeMonsterRows(std::ostream& out, const GameData& data,
                      const std::vector<CharacterProfile>& profiles, TableFormat format) {
    const std::vector<int> maps = mapsPerMonster(data.encounters, data.monsters.size());
    const bool csv = format == TableFormat::Csv;
    std::string row;
    RowWriter writer(row, format, kMonsterColumns, JsonLayout::Compact);
    for (std::size_t n = 0; n < data.monsters.size(); ++n) {
        const std::string name = storedText(data.monsters[n].name);
        const std::string count = std::to_string(maps[n]);
        for (std::size_t p = 0; p < profiles.size(); ++p) {
            out << row;
            row.clear();
            const auto cells = resultTexts(battleAgainst(profiles[p], data.monsters[n]));
            writer.beginRow();
            writer.number("monster", std::to_string(n));
            writer.text("name", name);
            writer.text("profile", profiles[p].name);
            for (std::size_t r = 0; r < cells.size(); ++r) {
                // A cell that holds no number: the failing step's error. JSON gives an
                // empty cell as null, CSV as an empty cell.
                const bool text =
                    csv ? !cells[r].empty() && !finiteNumberIn(cells[r]) : !cells[r].empty();
                if (text)
                    writer.text(kMonsterColumns[3 + r], cells[r]);
                else
                    writer.number(kMonsterColumns[3 + r], cells[r]);
            }
            writer.number("maps", count);
            writer.endRow();
        }
    }
    writer.finish();
    out << row;
}

} // namespace

std::string encounterModelHelp() {
    return helpText("encounter-model");
}

std::string balanceHelp() {
    return helpText("balance") + "\n\n" + encounterModelHelp();
}

BattleCache::BattleCache(const std::vector<MonsterRecord>& monsters,
                         const std::vector<CharacterProfile>& profiles, std::size_t keptBytes)
    : monsters_(monsters), profiles_(profiles),
      capacity_(keptBytes / (std::max<std::size_t>(profiles.size(), 1) * sizeof(MonsterBattle))) {}

const MonsterBattle& BattleCache::battle(int monster, std::size_t profile) {
    if (const auto found = kept_.find(monster); found != kept_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second.recent);
        return found->second.battles[profile];
    }
    const MonsterRecord& record = monsters_[static_cast<std::size_t>(monster)];
    if (capacity_ < singles_.size()) {
        for (const Single& single : singles_) {
            if (single.monster == monster && single.profile == profile)
                return single.battle;
        }
        Single& single = singles_[nextSingle_++ % singles_.size()];
        single = {monster, profile, battleAgainst(profiles_[profile], record)};
        return single.battle;
    }
    Kept entry;
    if (kept_.size() == capacity_) {
        // The monster asked for longest ago makes room.
        const auto oldest = kept_.find(recent_.back());
        entry = std::move(oldest->second);
        kept_.erase(oldest);
        recent_.pop_back();
        entry.battles.clear();
    }
    recent_.push_front(monster);
    entry.recent = recent_.begin();
    for (const CharacterProfile& character : profiles_)
        entry.battles.push_back(battleAgainst(character, record));
    return kept_.emplace(monster, std::move(entry)).first->second.battles[profile];
}

BattleLookup BattleCache::lookup(std::size_t profile) {
    return
        [this, profile](int monster) -> const MonsterBattle& { return battle(monster, profile); };
}

int monsterNamed(const std::vector<MonsterRecord>& monsters, std::string_view text) {
    if (monsters.empty())
        throw CliError("the stats file holds no monsters");
    if (const auto number = finiteNumberIn(text)) {
        if (*number != std::floor(*number) || *number < 0 ||
            *number >= static_cast<double>(monsters.size()))
            throw CliError("monster " + std::string(trimmedBlanks(text)) +
                           ": the stats file holds " + std::to_string(monsters.size()) +
                           " monsters, 0 to " + std::to_string(monsters.size() - 1));
        return static_cast<int>(*number);
    }
    for (std::size_t n = 0; n < monsters.size(); ++n) {
        if (equalIgnoringCase(trimmedBlanks(storedText(monsters[n].name)), trimmedBlanks(text)))
            return static_cast<int>(n);
    }
    throw CliError("no monster is named \"" + std::string(text) + "\"");
}

CharacterProfile characterFromOption(std::string_view text) {
    CharacterProfile profile;
    std::size_t column = 0;
    std::string_view rest = text;
    for (; column < kProfileColumns.size(); ++column) {
        const std::size_t comma = rest.find(',');
        const std::string_view part = rest.substr(0, comma);
        const auto value = finiteNumberIn(part);
        if (!value || (column + 1 < kProfileColumns.size()) == (comma == std::string_view::npos))
            break;
        profileValue(profile, column) = *value;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    if (column != kProfileColumns.size())
        throw UsageError("--character " + std::string(text) +
                         ": expected six numbers L,S,A,D,DEF,HP (level, strength, agility, item "
                         "damage, item defense, HP)");
    if (!(profile.hp > 0))
        throw UsageError("--character " + std::string(text) + ": HP must be above 0");
    profile.name = levelName(profile.level);
    return profile;
}

std::vector<CharacterProfile> charactersFromCsv(std::string_view text, const std::string& source) {
    try {
        return profilesFromCsv(text, source);
    } catch (const DataError& error) {
        // Text that is no CSV is reported as a table's problems are, line by line.
        if (error.kind() == ErrorKind::TableRejected)
            throw;
        throw CliError(error.subject());
    }
}

std::vector<CharacterProfile> loadProfiles(const std::vector<std::string>& characterOptions,
                                           const std::filesystem::path& characters) {
    if (characterOptions.empty() == characters.empty())
        throw UsageError("give one or more --character L,S,A,D,DEF,HP, or --characters FILE.csv");
    if (!characters.empty())
        return charactersFromCsv(readInputFile(characters), characters.string());
    std::vector<CharacterProfile> profiles;
    for (const std::string& option : characterOptions)
        profiles.push_back(characterFromOption(option));
    return profiles;
}

void writeBalance(const Session& session, const std::vector<CharacterProfile>& profiles,
                  TableFormat format, BalanceRows rows, const std::filesystem::path& output,
                  const std::vector<std::filesystem::path>& inputs) {
    const GameData data = loadGameData(session.folder);
    const std::size_t count = profiles.size() * (rows == BalanceRows::Maps ? data.encounters.size()
                                                                           : data.monsters.size());
    if (writeOutput(
            session, output,
            [&](std::ostream& out) {
                if (rows == BalanceRows::Maps)
                    writeMapRows(out, data, profiles, format);
                else
                    writeMonsterRows(out, data, profiles, format);
            },
            {}, inputs))
        session.out << "wrote " << count << " rows to " << shownPath(output) << '\n';
}

void whereMonster(const Session& session, std::string_view monster,
                  const std::vector<CharacterProfile>& profiles) {
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
        // A column per profile: the chance that one encounter defeats it, or the verdict
        // where that is unknown.
        std::vector<std::string> headings;
        for (const CharacterProfile& profile : profiles)
            headings.push_back(escapeForMessage(profile.name) + " defeat");
        out << "   map     chance   1 monster  2 monsters  3 monsters";
        for (const std::string& heading : headings)
            out << std::setw(static_cast<int>(std::max<std::size_t>(12, heading.size() + 2)))
                << heading;
        out << '\n';
        BattleCache battles(data.monsters, profiles);
        for (const Place& place : places) {
            out << std::setw(6) << place.map << std::setw(11) << percentText(place.chance);
            for (const double p : place.draw.groupSize)
                out << std::setw(12) << percentText(p);
            for (std::size_t p = 0; p < profiles.size(); ++p) {
                const auto m = static_cast<std::size_t>(place.map - 1);
                const MapOutcome o = mapOutcome(place.map, data.encounters[m], data.monsters,
                                                battles.lookup(p), profiles[p].hp);
                out << std::setw(
                           static_cast<int>(std::max<std::size_t>(12, headings[p].size() + 2)))
                    << (o.defeatPercent ? formatNumber(*o.defeatPercent) + "%"
                                        : std::string(verdictName(o.verdict)));
            }
            out << '\n';
        }
    }
    session.out << out.str();
}

} // namespace valmor::cli
