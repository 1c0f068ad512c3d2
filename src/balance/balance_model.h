// The balance of every map against every character profile, kept up to date one change at
// a time: a changed monster recomputes only the maps where it counts, a changed map only
// that map, a changed profile only its row. The numbers are those of valmor-data balance,
// worked out by the same functions (battleAgainst, mapOutcome).
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "balance/balance.h"

namespace valmor {

// One map and one profile: indexes, map `map + 1` and profile row `profile`.
struct BalanceCell {
    std::size_t map = 0;
    std::size_t profile = 0;

    bool operator==(const BalanceCell&) const = default;
    auto operator<=>(const BalanceCell&) const = default;
};

// Where a monster counts: a map index and the monster's chance per encounter slot draw.
struct MonsterPlace {
    std::size_t map = 0;
    double chance = 0;
};

// Whether two outcomes show the same: verdict, numbers, monsters and drops.
bool sameOutcome(const MapOutcome& a, const MapOutcome& b);

bool sameProfile(const CharacterProfile& a, const CharacterProfile& b);

class BalanceModel {
public:
    // Each setter compares what it is given with what the model holds and recomputes only
    // what differs. It gives the cells whose outcome changed, ordered by map then profile;
    // when the number of maps or of profiles changes, every cell.
    std::vector<BalanceCell> setMonsters(const std::vector<MonsterRecord>& monsters);
    std::vector<BalanceCell> setMaps(const std::vector<EncounterRecord>& maps);
    // Throws DataError (InvalidPropertyValue, naming the profile), changing nothing, for a
    // profile whose HP is not above 0. A profile equal to one the model holds keeps its
    // numbers, wherever it moves.
    std::vector<BalanceCell> setProfiles(const std::vector<CharacterProfile>& profiles);
    // Record n of those the model holds.
    std::vector<BalanceCell> setMonster(std::size_t n, const MonsterRecord& record);
    std::vector<BalanceCell> setMap(std::size_t map, const EncounterRecord& record);

    const std::vector<MonsterRecord>& monsters() const { return monsters_; }
    const std::vector<EncounterRecord>& maps() const { return maps_; }
    const std::vector<CharacterProfile>& profiles() const { return profiles_; }
    const MapOutcome& outcome(BalanceCell cell) const { return rows_[cell.profile][cell.map]; }

    // The maps where monster n counts, the most likely first (by its chance per slot draw),
    // then by number.
    std::vector<MonsterPlace> placesOf(int monster) const;

    // The map outcomes worked out since the model was made: what a change cost.
    std::size_t outcomesComputed() const { return outcomesComputed_; }

private:
    std::vector<int> countingOf(const EncounterRecord& map) const;
    void rebuild();
    void computeBattles(int monster);
    // Works out the cells of `maps` (ascending, no repeats) for every profile.
    std::vector<BalanceCell> recomputeMaps(const std::vector<std::size_t>& maps);
    std::vector<BalanceCell> everyCell() const;
    MapOutcome outcomeOf(std::size_t map, std::size_t profile);

    std::vector<MonsterRecord> monsters_;
    std::vector<EncounterRecord> maps_;
    std::vector<CharacterProfile> profiles_;
    std::vector<std::vector<int>> counting_; // per map: the monsters it counts, once each
    // Per monster that counts somewhere: the maps where it does (ascending), and the
    // calculator against it per profile. Only these monsters are ever worked out.
    std::unordered_map<int, std::vector<std::size_t>> mapsOf_;
    std::unordered_map<int, std::vector<MonsterBattle>> battles_;
    std::vector<std::vector<MapOutcome>> rows_; // per profile, per map
    std::size_t outcomesComputed_ = 0;
};

} // namespace valmor
