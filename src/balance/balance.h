// The balance model: for one character profile, the calculator's results against every
// monster and the expected outcome of one random encounter on every map. Shared by the
// command-line tool's balance, where and report commands.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "balance/battle_estimate.h"
#include "files/error.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor {

// The character half of the calculator's inputs.
struct CharacterProfile {
    std::string name;
    double level = 0;
    double strength = 0;
    double agility = 0;
    double itemDamage = 0;
    double itemDefense = 0;
    double hp = 0;
};

// The calculator against one monster record, as its window would run it.
struct MonsterBattle {
    // The texts of the result boxes; those after a failing step stay empty.
    std::array<std::string, kBattleResultCount> texts;
    std::size_t shown = 0;          // results formed before the failing step, or all 4
    std::optional<DataError> error; // the failing step's error
    // The damages as shown, read back as numbers; 0 when not shown.
    double damageToMonster = 0;
    double damageToCharacter = 0;

    // A step before the damages failed (a level of 100, an overflow).
    bool combatFailed() const { return error && shown == 0; }
    bool beatable() const { return !combatFailed() && damageToMonster > 0; }
    // h: the hits to kill it rounded up, at least 1. Only for a beatable monster.
    double hits = 0;
    // d: the damage each of its hits does to the character, 0 at least.
    double hitDamage() const { return damageToCharacter > 0 ? damageToCharacter : 0; }
};

// The four result texts as a table shows them: the shown ones, the failing step's error
// text in its place, empty after it.
std::array<std::string, kBattleResultCount> resultTexts(const MonsterBattle& battle);

// The monster's values as the window shows them (whole numbers) against the profile.
MonsterBattle battleAgainst(const CharacterProfile& character, const MonsterRecord& monster);

// How one encounter is drawn on a map: the chance of each slot and of each group size.
struct EncounterDraw {
    bool empty = true;                 // no counting slot or no group weight
    std::array<double, 5> slot{};      // P(i); 0 for a slot that does not count
    std::array<double, 3> groupSize{}; // P(k) for k = 1, 2, 3
};

// Slot i counts when its monster number names one of `monsterCount` records and its
// frequency is above 0.
EncounterDraw encounterDraw(const EncounterRecord& map, std::size_t monsterCount);

enum class Verdict { Safe, Risky, Deadly, Unbeatable, Error, Empty };
std::string_view verdictName(Verdict verdict);

struct MonsterChance {
    int monster = 0;
    double chance = 0; // P summed over the monster's slots
};

struct ItemDrop {
    int item = 0;
    double expected = 0; // expected drops per encounter
};

struct MapOutcome {
    int map = 0; // from 1
    Verdict verdict = Verdict::Empty;
    std::string problem; // for Error: the monster whose combat values fail, and why
    EncounterDraw draw;
    std::vector<MonsterChance> monsters; // counting monsters, first slot first
    double group = 0;                    // E[k]
    double exp = 0;
    double gold = 0;
    std::vector<ItemDrop> drops; // by item number
    // Known when every counting monster can be beaten.
    std::optional<double> hits;
    std::optional<double> damage;
    std::optional<double> damagePercent;
    std::optional<double> worstPercent;
    std::optional<double> defeatPercent; // the chance that one encounter defeats the character
};

// The battle against monster n. The map model asks only for the monsters a map counts, so
// a caller may work out only those.
using BattleLookup = std::function<const MonsterBattle&(int monster)>;

// `battleOf(n)` gives battleAgainst(character, monsters[n]).
MapOutcome mapOutcome(int map, const EncounterRecord& record,
                      const std::vector<MonsterRecord>& monsters, const BattleLookup& battleOf,
                      double characterHp);
// `battles` holds battleAgainst(character, monsters[n]) for every n.
MapOutcome mapOutcome(int map, const EncounterRecord& record,
                      const std::vector<MonsterRecord>& monsters,
                      const std::vector<MonsterBattle>& battles, double characterHp);

// One ordered draw of an encounter: k monsters in the order the character fights them.
struct OrderedDraw {
    std::array<int, 3> monsters{}; // the first `count` are drawn
    int count = 0;
    double chance = 0; // P(k) x P(first) x ... x P(last)
    // Monster j takes h_j hits and, during them, every monster still alive (j to k) hits
    // back once per hit: the sum over j of h_j x (d_j + ... + d_k).
    double damage = 0;
};

// Every ordered draw of one encounter with a chance above 0: k with P(k), then k monsters
// one after another, each by its chance. `monsters` are the map's counting monsters with
// their chances (MapOutcome::monsters); every one must be beatable. At most 5 + 25 + 125.
std::vector<OrderedDraw> orderedDraws(const EncounterDraw& draw,
                                      const std::vector<MonsterChance>& monsters,
                                      const BattleLookup& battleOf);

// The chance (0 to 1) that one random encounter defeats a character of `characterHp` who
// starts it at full HP: the summed chance of the ordered draws whose damage is at least
// `characterHp`. The draws' mean damage is the map's expected damage.
double defeatChance(const EncounterDraw& draw, const std::vector<MonsterChance>& monsters,
                    const BattleLookup& battleOf, double characterHp);

// Everything the model says for one profile.
struct ProfileBalance {
    CharacterProfile character;
    std::vector<MonsterBattle> battles; // one per monster record
    std::vector<MapOutcome> maps;       // one per encounter record
};

// The number of maps where each of `monsterCount` monsters counts (a monster in two slots
// of a map counts once there). Only a monster that counts on some map can change a map's
// outcome.
std::vector<int> mapsPerMonster(const std::vector<EncounterRecord>& maps, std::size_t monsterCount);

struct Balance {
    std::vector<ProfileBalance> profiles;
    std::vector<int> mapsPerMonster; // the number of maps where each monster counts
};

// Throws DataError (InvalidPropertyValue, naming the profile) for a profile whose HP is
// not above 0: the shares of HP would mean nothing.
Balance computeBalance(const std::vector<MonsterRecord>& monsters,
                       const std::vector<EncounterRecord>& maps,
                       const std::vector<CharacterProfile>& profiles);

} // namespace valmor
