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
// one of `inputs` is refused.
void writeReport(const Session& session, const std::vector<CharacterProfile>& profiles,
                 const std::filesystem::path& output, const std::vector<std::string>& monsters = {},
                 const std::vector<std::filesystem::path>& inputs = {});

} // namespace valmor::cli

namespace valmor::cli {

// How the expected outcome of one random encounter is worked out, for --help and the
// README alike.
inline constexpr std::string_view kEncounterModelHelp =
    "The expected outcome of one random encounter on a map:\n"
    "- Slot i (0 to 4) counts when its monster number names a record that the stats file\n"
    "  holds and its frequency is above 0. P(i) = frequency(i) / (sum of the counting\n"
    "  frequencies). A monster in two slots counts twice.\n"
    "- Group size k = 1, 2, 3 with P(k) = max(nomNum(k), 0) / (sum of the three). A map\n"
    "  whose counting frequencies or group weights sum to 0 is empty.\n"
    "- The k monsters are drawn independently by P(i). The character attacks them one\n"
    "  after another. Damages are the calculator's shown values (the texts of its first\n"
    "  two result boxes, read back as numbers). A monster whose damage is above 0 needs\n"
    "  h = ceil(the calculator's hits to kill it) hits, at least 1; one whose damage is 0\n"
    "  or less cannot be beaten. While the character hits, every living monster hits the\n"
    "  character once per hit, for d = max(damage to the character, 0).\n"
    "- Expected hits: E[k] x E[h]. Expected experience and gold: E[k] x the P-weighted\n"
    "  exp or gold. Expected drops of each item: E[k] x P-weighted item%/100 of the\n"
    "  monsters that drop it (item -1 drops nothing).\n"
    "- Expected damage taken: sum over k of P(k) x ( k x E[h d] + k(k-1)/2 x E[h] x E[d] ).\n"
    "  As a share of the character's HP: damage %.\n"
    "- Worst case: the largest k with P(k) > 0, all k of the counting monster with the\n"
    "  largest h x d: h x d x k(k+1)/2, as a share of HP: worst %.\n"
    "- Defeat chance, for safe, risky and deadly maps: the chance that one encounter\n"
    "  defeats a character who starts it at full HP. Each ordered draw (k with P(k), then\n"
    "  k monsters one after another by P(i)) is fought in the order drawn: monster j\n"
    "  takes h_j hits, and during them every monster still alive (j to k) hits back once\n"
    "  per hit. The draw's damage is the sum over j of h_j x (d_j + ... + d_k); it defeats\n"
    "  the character when it is at least the HP. Defeat %: the summed chances of the\n"
    "  defeating draws, all of them counted (at most 5 + 25 + 125). The mean damage of the\n"
    "  draws is the expected damage above.\n"
    "- Verdict: unbeatable when a counting monster cannot be beaten; else deadly when\n"
    "  damage % is 100 or more; else risky when worst % is 100 or more; else safe. A\n"
    "  counting monster whose combat values fail (the calculator's steps before the\n"
    "  damages: a level of 100, an overflow) makes the map's verdict error, naming it.\n"
    "  Empty maps: empty.";

// The descriptions of balance (the model included) and report for --help.
const std::string& balanceHelp();
inline constexpr std::string_view kReportHelp =
    "Writes one HTML file that any browser opens offline (inline CSS, SVG charts and\n"
    "PNG sprites in the game's colours), as it goes: a summary with the problems check\n"
    "finds; the damage share per map as bars coloured by verdict (first profile), the\n"
    "expected experience per map, and with several profiles two heat maps of maps by\n"
    "profiles, of the damage share and of the chance of defeat; the maps table, a row per\n"
    "map with a cell per profile coloured by verdict holding its damage share and defeat\n"
    "chance; a bestiary card for every monster that counts on some map (and for those\n"
    "named with --monster) with its sprite, its values, its specials, the maps where it\n"
    "appears and the calculator's values per profile, and a row for every other monster.\n"
    "At most 200 profiles (balance takes any number). It prints on A4 or Letter from a\n"
    "browser's print dialog, the wide parts in landscape. The model is the one balance\n"
    "--help describes.";

} // namespace valmor::cli
