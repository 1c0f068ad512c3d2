#include "balance/balance_model.h"

#include <algorithm>

namespace valmor {

bool sameOutcome(const MapOutcome& a, const MapOutcome& b) {
    const auto sameMonsters = std::ranges::equal(
        a.monsters, b.monsters, [](const MonsterChance& x, const MonsterChance& y) {
            return x.monster == y.monster && x.chance == y.chance;
        });
    const auto sameDrops =
        std::ranges::equal(a.drops, b.drops, [](const ItemDrop& x, const ItemDrop& y) {
            return x.item == y.item && x.expected == y.expected;
        });
    return a.map == b.map && a.verdict == b.verdict && a.problem == b.problem &&
           a.group == b.group && a.exp == b.exp && a.gold == b.gold && a.hits == b.hits &&
           a.damage == b.damage && a.damagePercent == b.damagePercent &&
           a.worstPercent == b.worstPercent && a.defeatPercent == b.defeatPercent && sameMonsters &&
           sameDrops;
}

bool sameProfile(const CharacterProfile& a, const CharacterProfile& b) {
    return a.name == b.name && a.level == b.level && a.strength == b.strength &&
           a.agility == b.agility && a.itemDamage == b.itemDamage &&
           a.itemDefense == b.itemDefense && a.hp == b.hp;
}

std::vector<int> BalanceModel::countingOf(const EncounterRecord& map) const {
    const EncounterDraw draw = encounterDraw(map, monsters_.size());
    std::vector<int> counted;
    for (std::size_t i = 0; i < draw.slot.size(); ++i) {
        if (draw.slot[i] > 0 && std::ranges::find(counted, map.monIndex[i]) == counted.end())
            counted.push_back(map.monIndex[i]);
    }
    return counted;
}

void BalanceModel::computeBattles(int monster) {
    std::vector<MonsterBattle>& battles = battles_[monster];
    battles.clear();
    battles.reserve(profiles_.size());
    for (const CharacterProfile& profile : profiles_)
        battles.push_back(battleAgainst(profile, monsters_[static_cast<std::size_t>(monster)]));
}

MapOutcome BalanceModel::outcomeOf(std::size_t map, std::size_t profile) {
    ++outcomesComputed_;
    return mapOutcome(
        static_cast<int>(map + 1), maps_[map], monsters_,
        [&](int n) -> const MonsterBattle& { return battles_.find(n)->second[profile]; },
        profiles_[profile].hp);
}

void BalanceModel::rebuild() {
    counting_.assign(maps_.size(), {});
    mapsOf_.clear();
    for (std::size_t m = 0; m < maps_.size(); ++m) {
        counting_[m] = countingOf(maps_[m]);
        for (const int n : counting_[m])
            mapsOf_[n].push_back(m);
    }
    battles_.clear();
    for (const auto& [monster, maps] : mapsOf_)
        computeBattles(monster);
    rows_.assign(profiles_.size(), std::vector<MapOutcome>(maps_.size()));
    for (std::size_t p = 0; p < profiles_.size(); ++p) {
        for (std::size_t m = 0; m < maps_.size(); ++m)
            rows_[p][m] = outcomeOf(m, p);
    }
}

std::vector<BalanceCell> BalanceModel::everyCell() const {
    std::vector<BalanceCell> cells;
    cells.reserve(maps_.size() * profiles_.size());
    for (std::size_t m = 0; m < maps_.size(); ++m) {
        for (std::size_t p = 0; p < profiles_.size(); ++p)
            cells.push_back({m, p});
    }
    return cells;
}

std::vector<BalanceCell> BalanceModel::recomputeMaps(const std::vector<std::size_t>& maps) {
    std::vector<BalanceCell> changed;
    for (const std::size_t m : maps) {
        for (std::size_t p = 0; p < profiles_.size(); ++p) {
            MapOutcome outcome = outcomeOf(m, p);
            if (!sameOutcome(outcome, rows_[p][m])) {
                rows_[p][m] = std::move(outcome);
                changed.push_back({m, p});
            }
        }
    }
    return changed;
}

std::vector<BalanceCell> BalanceModel::setMonsters(const std::vector<MonsterRecord>& monsters) {
    if (monsters.size() != monsters_.size()) {
        // Which slots count depends on how many records the file holds: work it all out.
        monsters_ = monsters;
        rebuild();
        return everyCell();
    }
    std::vector<std::size_t> maps;
    for (std::size_t n = 0; n < monsters.size(); ++n) {
        if (monsters[n] == monsters_[n])
            continue;
        monsters_[n] = monsters[n];
        const auto counts = mapsOf_.find(static_cast<int>(n));
        if (counts == mapsOf_.end())
            continue;
        computeBattles(static_cast<int>(n));
        maps.insert(maps.end(), counts->second.begin(), counts->second.end());
    }
    std::ranges::sort(maps);
    maps.erase(std::unique(maps.begin(), maps.end()), maps.end());
    return recomputeMaps(maps);
}

std::vector<BalanceCell> BalanceModel::setMonster(std::size_t n, const MonsterRecord& record) {
    if (monsters_[n] == record)
        return {};
    monsters_[n] = record;
    const auto counts = mapsOf_.find(static_cast<int>(n));
    if (counts == mapsOf_.end())
        return {};
    computeBattles(static_cast<int>(n));
    return recomputeMaps(counts->second);
}

std::vector<BalanceCell> BalanceModel::setMap(std::size_t map, const EncounterRecord& record) {
    if (maps_[map] == record)
        return {};
    maps_[map] = record;
    const std::vector<int> before = std::move(counting_[map]);
    counting_[map] = countingOf(record);
    for (const int n : before) {
        if (std::ranges::find(counting_[map], n) != counting_[map].end())
            continue;
        std::vector<std::size_t>& places = mapsOf_[n];
        std::erase(places, map);
        if (places.empty()) {
            mapsOf_.erase(n);
            battles_.erase(n);
        }
    }
    for (const int n : counting_[map]) {
        if (std::ranges::find(before, n) != before.end())
            continue;
        std::vector<std::size_t>& places = mapsOf_[n];
        places.insert(std::ranges::upper_bound(places, map), map);
        if (!battles_.contains(n))
            computeBattles(n);
    }
    return recomputeMaps({map});
}

std::vector<BalanceCell> BalanceModel::setMaps(const std::vector<EncounterRecord>& maps) {
    if (maps.size() != maps_.size()) {
        maps_ = maps;
        rebuild();
        return everyCell();
    }
    std::vector<BalanceCell> changed;
    for (std::size_t m = 0; m < maps.size(); ++m) {
        const std::vector<BalanceCell> cells = setMap(m, maps[m]);
        changed.insert(changed.end(), cells.begin(), cells.end());
    }
    return changed;
}

std::vector<BalanceCell> BalanceModel::setProfiles(const std::vector<CharacterProfile>& profiles) {
    for (const CharacterProfile& character : profiles) {
        if (!(character.hp > 0))
            throw DataError(ErrorKind::InvalidPropertyValue,
                            "profile " + character.name + ": hp must be above 0");
    }
    // Each new profile takes the row of an equal old one that no other has taken.
    const std::size_t before = profiles_.size();
    std::vector<std::size_t> from(profiles.size(), before); // `before`: a new row
    std::vector<bool> taken(profiles_.size(), false);
    bool sameRows = profiles.size() == profiles_.size();
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        for (std::size_t old = 0; old < profiles_.size(); ++old) {
            if (!taken[old] && sameProfile(profiles[p], profiles_[old])) {
                from[p] = old;
                taken[old] = true;
                break;
            }
        }
        sameRows = sameRows && from[p] == p;
    }
    if (sameRows)
        return {};

    std::vector<std::vector<MapOutcome>> rows(profiles.size());
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        if (from[p] < before)
            rows[p] = std::move(rows_[from[p]]);
    }
    for (auto& [monster, battles] : battles_) {
        std::vector<MonsterBattle> moved(profiles.size());
        for (std::size_t p = 0; p < profiles.size(); ++p) {
            moved[p] =
                from[p] < before
                    ? std::move(battles[from[p]])
                    : battleAgainst(profiles[p], monsters_[static_cast<std::size_t>(monster)]);
        }
        battles = std::move(moved);
    }
    profiles_ = profiles;
    rows_ = std::move(rows);
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        if (from[p] < before)
            continue;
        rows_[p].resize(maps_.size());
        for (std::size_t m = 0; m < maps_.size(); ++m)
            rows_[p][m] = outcomeOf(m, p);
    }
    return everyCell();
}

std::vector<MonsterPlace> BalanceModel::placesOf(int monster) const {
    std::vector<MonsterPlace> places;
    const auto counts = mapsOf_.find(monster);
    if (counts == mapsOf_.end())
        return places;
    for (const std::size_t m : counts->second) {
        const EncounterDraw draw = encounterDraw(maps_[m], monsters_.size());
        double chance = 0;
        for (std::size_t i = 0; i < draw.slot.size(); ++i) {
            if (maps_[m].monIndex[i] == monster)
                chance += draw.slot[i];
        }
        places.push_back({m, chance});
    }
    std::ranges::stable_sort(places, std::ranges::greater{}, &MonsterPlace::chance);
    return places;
}

} // namespace valmor
