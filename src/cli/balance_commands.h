// The balance commands of valmor-data: the model's table per map or per monster
// (balance), the maps where a monster appears (where), and the HTML report (report).
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "balance/balance.h"
#include "balance/balance_text.h"
#include "cli/commands.h"

namespace valmor::cli {

// The numbers as every balance command writes them (src/balance/balance_text.h).
using valmor::formatNumber;
using valmor::outcomeNumbers;

// The calculator against monsters for every profile, worked out when a monster is first
// asked for: only the monsters a map counts (or a page shows) are ever computed, whatever
// the stats file holds. A monster's battles against all profiles are kept together, for
// the monsters asked for last, up to `keptBytes`; maps near each other share most of their
// monsters. So memory does not grow with the profiles. A battle given stays valid until
// the next call.
class BattleCache {
public:
    static constexpr std::size_t kKeptBytes = std::size_t{16} << 20;
    BattleCache(const std::vector<MonsterRecord>& monsters,
                const std::vector<CharacterProfile>& profiles, std::size_t keptBytes = kKeptBytes);
    const MonsterBattle& battle(int monster, std::size_t profile);
    BattleLookup lookup(std::size_t profile);

private:
    const std::vector<MonsterRecord>& monsters_;
    const std::vector<CharacterProfile>& profiles_;
    std::size_t capacity_;  // the number of monsters kept
    std::list<int> recent_; // the kept monsters, the one asked for last first
    struct Kept {
        std::list<int>::iterator recent;
        std::vector<MonsterBattle> battles; // one per profile
    };
    std::unordered_map<int, Kept> kept_;
    // When fewer monsters fit than a map names, the battles of the map at hand for the
    // profile at hand: each is formed once per map and profile, not once per lookup, and
    // a map never evicts its own monsters (which would form all profiles' battles anew
    // for every profile, a cost that grows with the square of the profiles).
    struct Single {
        int monster = -1;
        std::size_t profile = 0;
        MonsterBattle battle;
    };
    std::array<Single, std::tuple_size_v<decltype(EncounterRecord::monIndex)>> singles_;
    std::size_t nextSingle_ = 0;
};

// "L,S,A,D,DEF,HP": six numbers; the profile is named "L<level>". Throws UsageError.
CharacterProfile characterFromOption(std::string_view text);

// A CSV table with the columns name, level, strength, agility, item_damage, item_defense
// and hp (any order, others ignored), one profile a row; a row without a name is named
// L<level>. Throws CliError naming `source`, the line and the column of the first bad cell.
std::vector<CharacterProfile> charactersFromCsv(std::string_view text, const std::string& source);

// The monster that `text` names: its number, or its name (blanks and case do not matter).
// Throws CliError.
int monsterNamed(const std::vector<MonsterRecord>& monsters, std::string_view text);

// The profiles of --character or --characters; `characters` empty when not given.
std::vector<CharacterProfile> loadProfiles(const std::vector<std::string>& characterOptions,
                                           const std::filesystem::path& characters);

enum class BalanceRows { Maps, Monsters };

// `output` empty or "-": standard output. A file is replaced atomically; an output that is
// one of `inputs` (the --characters table) is refused, as a game file is.
void writeBalance(const Session& session, const std::vector<CharacterProfile>& profiles,
                  tables::TableFormat format, BalanceRows rows, const std::filesystem::path& output,
                  const std::vector<std::filesystem::path>& inputs = {});

// `monster` is a number or a name (blanks and case do not matter). A column per profile
// gives the chance that one encounter on the map defeats it.
void whereMonster(const Session& session, std::string_view monster,
                  const std::vector<CharacterProfile>& profiles = {});

// At most 200 profiles. Every monster that counts on some map gets a full card, and so
// does each of `monsters` (numbers or names); the others get a row each. An output that is
// one of `inputs` is refused. With `targets` (a targets table, read against the profiles),
// the page adds the target heat map and, per map, the cells outside their band.
void writeReport(const Session& session, const std::vector<CharacterProfile>& profiles,
                 const std::filesystem::path& output, const std::vector<std::string>& monsters = {},
                 const std::vector<std::filesystem::path>& inputs = {},
                 const std::filesystem::path& targets = {});

} // namespace valmor::cli

namespace valmor::cli {

// How the expected outcome of one random encounter is worked out (help/encounter-model.txt),
// for balance --help and the README alike.
std::string encounterModelHelp();

// The description of balance for --help: its own text and the model.
std::string balanceHelp();

} // namespace valmor::cli
