#include "balance/balance.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace valmor {

MonsterBattle battleAgainst(const CharacterProfile& character, const MonsterRecord& monster) {
    // The window reads the monster's boxes, which show the record's whole numbers.
    const BattleInputs inputs{
        character.level,        character.strength,       character.agility,
        character.itemDamage,   character.itemDefense,    character.hp,
        double(monster.level),  double(monster.strength), double(monster.agility),
        double(monster.offMax), double(monster.def),      double(monster.hp)};
    MonsterBattle battle;
    try {
        estimateBattle(inputs, [&](BattleResult result, const std::string& text) {
            battle.texts[static_cast<std::size_t>(result)] = text;
            ++battle.shown;
        });
    } catch (const DataError& failure) {
        // The calculator stops here; the row carries the error and the table goes on.
        battle.error = failure;
    }
    using enum BattleResult;
    if (battle.shown > static_cast<std::size_t>(DamageToCharacter)) {
        battle.damageToMonster = ParseNumber(battle.texts[std::size_t(DamageToMonster)]);
        battle.damageToCharacter = ParseNumber(battle.texts[std::size_t(DamageToCharacter)]);
    }
    if (battle.beatable()) {
        // Shown texts, read back, so that a designer can follow the sum by hand.
        const double hits = ParseNumber(battle.texts[std::size_t(HitsToKillMonster)]);
        battle.hits = std::max(std::ceil(hits), 1.0);
    }
    return battle;
}

std::array<std::string, kBattleResultCount> resultTexts(const MonsterBattle& battle) {
    std::array<std::string, kBattleResultCount> texts = battle.texts;
    if (battle.error)
        texts[battle.shown] = battle.error->what();
    return texts;
}

EncounterDraw encounterDraw(const EncounterRecord& map, std::size_t monsterCount) {
    EncounterDraw draw;
    double frequencies = 0;
    for (std::size_t i = 0; i < map.monIndex.size(); ++i) {
        const int monster = map.monIndex[i];
        if (monster >= 0 && static_cast<std::size_t>(monster) < monsterCount &&
            map.monFreq[i] > 0) {
            draw.slot[i] = map.monFreq[i];
            frequencies += map.monFreq[i];
        }
    }
    double weights = 0;
    for (std::size_t k = 0; k < map.nomNum.size(); ++k) {
        draw.groupSize[k] = std::max<double>(map.nomNum[k], 0);
        weights += draw.groupSize[k];
    }
    draw.empty = frequencies == 0 || weights == 0;
    if (draw.empty)
        return EncounterDraw{};
    for (double& p : draw.slot)
        p /= frequencies;
    for (double& p : draw.groupSize)
        p /= weights;
    return draw;
}

std::string_view verdictName(Verdict verdict) {
    constexpr std::string_view kNames[] = {"safe",       "risky", "deadly",
                                           "unbeatable", "error", "empty"};
    static_assert(std::size(kNames) == static_cast<std::size_t>(Verdict::Empty) + 1);
    return kNames[static_cast<std::size_t>(verdict)];
}

MapOutcome mapOutcome(int map, const EncounterRecord& record,
                      const std::vector<MonsterRecord>& monsters, const BattleLookup& battleOf,
                      double characterHp) {
    MapOutcome outcome;
    outcome.map = map;
    outcome.draw = encounterDraw(record, monsters.size());
    if (outcome.draw.empty)
        return outcome;
    const EncounterDraw& draw = outcome.draw;
    for (std::size_t k = 0; k < draw.groupSize.size(); ++k)
        outcome.group += static_cast<double>(k + 1) * draw.groupSize[k];

    double exp = 0;
    double gold = 0;
    std::map<int, double> drops;
    double meanHits = 0;            // E[h]
    double meanHitDamage = 0;       // E[d]
    double meanHitsTimesDamage = 0; // E[h d]
    double worstHitsTimesDamage = 0;
    bool allBeatable = true;
    for (std::size_t i = 0; i < draw.slot.size(); ++i) {
        const double p = draw.slot[i];
        if (p == 0)
            continue;
        const int n = record.monIndex[i];
        const MonsterRecord& monster = monsters[static_cast<std::size_t>(n)];
        const MonsterBattle& battle = battleOf(n);
        const auto listed = std::ranges::find(outcome.monsters, n, &MonsterChance::monster);
        if (listed == outcome.monsters.end())
            outcome.monsters.push_back({n, p});
        else
            listed->chance += p;

        exp += p * monster.exp;
        gold += p * monster.gold;
        for (const auto& [item, percent] :
             {std::pair{monster.item1, monster.item1Perc}, {monster.item2, monster.item2Perc}}) {
            if (item >= 0)
                drops[item] += p * percent / 100.0;
        }

        if (battle.combatFailed()) {
            if (outcome.verdict != Verdict::Error) {
                outcome.verdict = Verdict::Error;
                outcome.problem =
                    "monster " + std::to_string(n) + ": " + std::string(battle.error->what());
            }
            continue;
        }
        if (!battle.beatable()) {
            allBeatable = false;
            continue;
        }
        const double d = battle.hitDamage();
        meanHits += p * battle.hits;
        meanHitDamage += p * d;
        meanHitsTimesDamage += p * battle.hits * d;
        worstHitsTimesDamage = std::max(worstHitsTimesDamage, battle.hits * d);
    }
    outcome.exp = outcome.group * exp;
    outcome.gold = outcome.group * gold;
    for (const auto& [item, share] : drops)
        outcome.drops.push_back({item, outcome.group * share});

    if (outcome.verdict == Verdict::Error)
        return outcome;
    if (!allBeatable) {
        outcome.verdict = Verdict::Unbeatable;
        return outcome;
    }
    double damage = 0;
    int largestGroup = 0;
    for (std::size_t index = 0; index < draw.groupSize.size(); ++index) {
        const double k = static_cast<double>(index + 1);
        const double pk = draw.groupSize[index];
        damage += pk * (k * meanHitsTimesDamage + k * (k - 1) / 2 * meanHits * meanHitDamage);
        if (pk > 0)
            largestGroup = static_cast<int>(index + 1);
    }
    const double worst = worstHitsTimesDamage * largestGroup * (largestGroup + 1) / 2;
    outcome.hits = outcome.group * meanHits;
    outcome.damage = damage;
    outcome.damagePercent = damage / characterHp * 100;
    outcome.worstPercent = worst / characterHp * 100;
    outcome.defeatPercent = defeatChance(draw, outcome.monsters, battleOf, characterHp) * 100;
    if (*outcome.damagePercent >= 100)
        outcome.verdict = Verdict::Deadly;
    else if (*outcome.worstPercent >= 100)
        outcome.verdict = Verdict::Risky;
    else
        outcome.verdict = Verdict::Safe;
    return outcome;
}

MapOutcome mapOutcome(int map, const EncounterRecord& record,
                      const std::vector<MonsterRecord>& monsters,
                      const std::vector<MonsterBattle>& battles, double characterHp) {
    return mapOutcome(
        map, record, monsters,
        [&](int n) -> const MonsterBattle& { return battles[static_cast<std::size_t>(n)]; },
        characterHp);
}

namespace {

// The counting monsters as the draws need them, at most one per slot.
struct Foe {
    int monster;
    double chance, hits, hitDamage;
};
struct Foes {
    std::array<Foe, 5> list;
    std::size_t count = 0;
};

Foes foesOf(const std::vector<MonsterChance>& monsters, const BattleLookup& battleOf) {
    Foes foes;
    for (const MonsterChance& m : monsters) {
        const MonsterBattle& battle = battleOf(m.monster);
        foes.list[foes.count++] = {m.monster, m.chance, battle.hits, battle.hitDamage()};
    }
    return foes;
}

// Walks the ordered draws depth first: visit(picks, size, chance, damage) for the first
// `size` monsters drawn (foes[picks[0]], ...), `chance` the product of their chances, not
// yet of P(k). The damage is summed per monster hitting back: monster l hits during all
// the hits on monsters 1 to l, d_l x (h_1 + ... + h_l), the same sum as over the monsters
// fought; so a draw's first monsters do the damage of the shorter draw of just them, and
// every draw that starts with them does at least that. `visit` says whether to go deeper.
template <typename Visit>
void walkDraws(const EncounterDraw& draw, const Foes& foes, Visit&& visit) {
    std::size_t deepest = 0;
    for (std::size_t k = 0; k < draw.groupSize.size(); ++k) {
        if (draw.groupSize[k] > 0)
            deepest = k + 1;
    }
    struct Step {
        double chance, hits, damage;
    };
    const auto then = [&](const Step& before, std::size_t pick) {
        const Foe& foe = foes.list[pick];
        const double hits = before.hits + foe.hits;
        return Step{before.chance * foe.chance, hits, before.damage + foe.hitDamage * hits};
    };
    std::array<std::size_t, 3> picks{};
    for (picks[0] = 0; picks[0] < foes.count; ++picks[0]) {
        const Step one = then({1, 0, 0}, picks[0]);
        if (!visit(picks, 1, one.chance, one.damage) || deepest < 2)
            continue;
        for (picks[1] = 0; picks[1] < foes.count; ++picks[1]) {
            const Step two = then(one, picks[1]);
            if (!visit(picks, 2, two.chance, two.damage) || deepest < 3)
                continue;
            for (picks[2] = 0; picks[2] < foes.count; ++picks[2]) {
                const Step three = then(two, picks[2]);
                visit(picks, 3, three.chance, three.damage);
            }
        }
    }
}

} // namespace

std::vector<OrderedDraw> orderedDraws(const EncounterDraw& draw,
                                      const std::vector<MonsterChance>& monsters,
                                      const BattleLookup& battleOf) {
    const Foes foes = foesOf(monsters, battleOf);
    std::vector<OrderedDraw> draws;
    walkDraws(draw, foes,
              [&](const std::array<std::size_t, 3>& picks, std::size_t size, double chance,
                  double damage) {
                  const double groupSize = draw.groupSize[size - 1];
                  if (groupSize == 0)
                      return true;
                  OrderedDraw& d = draws.emplace_back();
                  for (std::size_t j = 0; j < size; ++j)
                      d.monsters[j] = foes.list[picks[j]].monster;
                  d.count = static_cast<int>(size);
                  d.chance = groupSize * chance;
                  d.damage = damage;
                  return true;
              });
    return draws;
}

double defeatChance(const EncounterDraw& draw, const std::vector<MonsterChance>& monsters,
                    const BattleLookup& battleOf, double characterHp) {
    // P(k >= size): once the first monsters drawn defeat the character, every longer draw
    // that starts with them does too.
    std::array<double, 4> atLeast{};
    for (std::size_t k = draw.groupSize.size(); k-- > 0;)
        atLeast[k] = atLeast[k + 1] + draw.groupSize[k];
    double sum = 0;
    walkDraws(
        draw, foesOf(monsters, battleOf),
        [&](const std::array<std::size_t, 3>&, std::size_t size, double chance, double damage) {
            if (damage < characterHp)
                return true;
            sum += atLeast[size - 1] * chance;
            return false;
        });
    // The chances of all draws sum to 1 only up to rounding.
    return std::min(sum, 1.0);
}

std::vector<int> mapsPerMonster(const std::vector<EncounterRecord>& maps,
                                std::size_t monsterCount) {
    std::vector<int> counts(monsterCount, 0);
    for (const EncounterRecord& record : maps) {
        const EncounterDraw draw = encounterDraw(record, monsterCount);
        std::vector<int> counted;
        for (std::size_t i = 0; i < draw.slot.size(); ++i) {
            const int n = record.monIndex[i];
            if (draw.slot[i] > 0 && std::ranges::find(counted, n) == counted.end()) {
                counted.push_back(n);
                ++counts[static_cast<std::size_t>(n)];
            }
        }
    }
    return counts;
}

Balance computeBalance(const std::vector<MonsterRecord>& monsters,
                       const std::vector<EncounterRecord>& maps,
                       const std::vector<CharacterProfile>& profiles) {
    Balance balance;
    balance.mapsPerMonster = mapsPerMonster(maps, monsters.size());
    for (const CharacterProfile& character : profiles) {
        if (!(character.hp > 0))
            throw DataError(ErrorKind::InvalidPropertyValue,
                            "profile " + character.name + ": hp must be above 0");
        ProfileBalance& profile = balance.profiles.emplace_back();
        profile.character = character;
        profile.battles.reserve(monsters.size());
        for (const MonsterRecord& monster : monsters)
            profile.battles.push_back(battleAgainst(character, monster));
        profile.maps.reserve(maps.size());
        for (std::size_t m = 0; m < maps.size(); ++m)
            profile.maps.push_back(mapOutcome(static_cast<int>(m + 1), maps[m], monsters,
                                              profile.battles, character.hp));
    }
    return balance;
}

} // namespace valmor
