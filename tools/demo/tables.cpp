#include "demo/tables.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "demo/random.h"
#include "demo/sprites.h"
#include "game/item_list.h"

namespace valmor::demo {

namespace {

// Special attacks: physical or magic, against one target or the whole party.
enum Kind : std::int16_t { Physical = 0, Magic = 1 };
enum Target : std::int16_t { One = 1, All = 2 };

struct Special {
    std::string_view name;
    Kind kind = Physical;
    Target target = One;
};

struct Monster {
    std::string_view name;
    Special special1;
    Special special2;
};

constexpr std::array<Monster, kMonsterCount> kMonsters{{
    {"Green Ooze", {"Acid Spit"}, {}},
    {"Blue Slime", {"Acid Spit"}, {"Chill Touch", Magic}},
    {"Red Jelly", {"Acid Spit"}, {"Ember", Magic}},
    {"Gloom Blob", {"Engulf"}, {"Dark Gaze", Magic}},
    {"Gold Slime", {"Engulf"}, {"Dazzle", Magic, All}},
    {"Cave Bat", {"Bite"}, {}},
    {"Dusk Bat", {"Bite"}, {"Screech", Magic, All}},
    {"Blood Bat", {"Drain Blood"}, {"Screech", Magic, All}},
    {"Frost Bat", {"Frost Bite", Magic}, {"Screech", Magic, All}},
    {"Night Wing", {"Drain Blood"}, {"Sonic Wail", Magic, All}},
    {"Goblin", {"Stab"}, {}},
    {"Hobgoblin", {"Club Smash"}, {"War Cry", Physical, All}},
    {"Gob Shaman", {"Fire Bolt", Magic}, {"Hex", Magic}},
    {"Orc Grunt", {"Cleave"}, {"War Cry", Physical, All}},
    {"Orc Brute", {"Crush"}, {"Rampage", Physical, All}},
    {"Jackal", {"Bite"}, {}},
    {"Grey Wolf", {"Bite"}, {"Howl", Magic, All}},
    {"Dire Wolf", {"Maul"}, {"Howl", Magic, All}},
    {"Frost Wolf", {"Maul"}, {"Frost Breath", Magic, All}},
    {"Hellhound", {"Fire Breath", Magic, All}, {"Maul"}},
    {"Web Lurker", {"Web Shot"}, {"Bite"}},
    {"Tarantula", {"Venom Bite"}, {"Hair Darts", Physical, All}},
    {"Widow", {"Venom Bite"}, {"Web Storm", Physical, All}},
    {"Rot Spider", {"Rot Bite"}, {"Spore Cloud", Magic, All}},
    {"Grave Mite", {"Bone Bite"}, {"Curse", Magic}},
    {"Skeleton", {"Bone Club"}, {}},
    {"Bone Guard", {"Slash"}, {"Shield Bash"}},
    {"Crypt Mage", {"Shadow Bolt", Magic}, {"Grave Chill", Magic, All}},
    {"Dread Bone", {"Reap", Physical, All}, {"Terror", Magic, All}},
    {"Bone Lord", {"Death Blow"}, {"Terror", Magic, All}},
    {"Watcher", {"Stare", Magic}, {}},
    {"Gazer", {"Sleep Gaze", Magic}, {"Wing Buffet"}},
    {"Evil Eye", {"Evil Gaze", Magic}, {"Chomp"}},
    {"Mind Orb", {"Mind Blast", Magic, All}, {"Confuse", Magic}},
    {"Void Eye", {"Void Ray", Magic}, {"Drain Mind", Magic, All}},
    {"Mud Golem", {"Mud Slam"}, {}},
    {"Clay Golem", {"Pound"}, {"Harden", Magic}},
    {"Stone Hulk", {"Rock Throw"}, {"Quake", Physical, All}},
    {"Iron Golem", {"Iron Fist"}, {"Steam Blast", Magic, All}},
    {"Gem Golem", {"Prism Ray", Magic, All}, {"Quake", Physical, All}},
    {"Adder", {"Poison Bite"}, {}},
    {"Cobra", {"Venom Spit"}, {"Hypnotize", Magic}},
    {"Pit Viper", {"Poison Bite"}, {"Constrict"}},
    {"Sea Wyrm", {"Tidal Wave", Magic, All}, {"Constrict"}},
    {"Basilisk", {"Stone Gaze", Magic}, {"Poison Bite"}},
    {"Wyvern", {"Tail Sting"}, {"Dive"}},
    {"Fire Drake", {"Fire Breath", Magic, All}, {"Claw"}},
    {"Ice Drake", {"Ice Breath", Magic, All}, {"Claw"}},
    {"Storm Wyrm", {"Lightning", Magic}, {"Gale", Magic, All}},
    {"Dusk Drake", {"Dark Breath", Magic, All}, {"Tail Sweep", Physical, All}},
    {"Demon Lord", {"Hellfire", Magic, All}, {"Trident"}},
    {"Lich King", {"Death Spell", Magic}, {"Soul Drain", Magic, All}},
    {"Wyrm King", {"Inferno", Magic, All}, {"Tail Sweep", Physical, All}},
    {"Hydra", {"Five Bites"}, {"Acid Breath", Magic, All}},
    {"Giant King", {"Earthshaker", Physical, All}, {"Hammer Blow"}},
    {"Eye Tyrant", {"Disintegrate", Magic}, {"Eye Rays", Magic, All}},
    {"Void King", {"Void Blade"}, {"Oblivion", Magic, All}},
}};

// Names and specials are stored in fixed-width fields; none may be cut short.
constexpr bool textsFitTheirFields() {
    for (const Monster& m : kMonsters) {
        if (m.name.empty() || m.name.size() > kNameWidth ||
            m.special1.name.size() > kSpecialWidth || m.special2.name.size() > kSpecialWidth)
            return false;
    }
    return true;
}
static_assert(textsFitTheirFields());

// Per family, added to agility, strength and defense: bats and wolves are quick,
// golems and orcs strong and hard to hurt.
struct FamilyBias {
    int agility, strength, defense;
};
constexpr std::array<FamilyBias, 10> kFamilyBias{{
    {-2, -2, 0},
    {8, -3, -1},
    {0, 4, 1},
    {7, 2, 0},
    {4, 0, 0},
    {-1, 2, 2},
    {0, -3, 1},
    {-6, 8, 6},
    {5, 1, 1},
    {3, 4, 3},
}};

constexpr std::array<std::string_view, kItemCount> kItems{
    "Herb",          "Bread, stale",  "Torch",         "Wooden Club",   "Cloth Cap",
    "Small Potion",  "Rusty Knife",   "Leather Boots", "Antidote",      "Sling",
    "Padded Vest",   "Copper Ring",   "Short Staff",   "Hand Axe",      "Leather Cap",
    "Bat Wing",      "Slime Jelly",   "Bronze Dagger", "Wooden Shield", "Smoke Bomb",
    "Leather Armor", "Oak Bow",       "Potion",        "Goblin Ear",    "Spear",
    "Bronze Helm",   "Wolf Pelt",     "Silver Ring",   "Short Sword",   "Buckler",
    "Eye Drops",     "Spider Silk",   "Mace",          "Studded Vest",  "Bone Charm",
    "Iron Helm",     "Ether",         "Long Bow",      "Iron Dagger",   "Hide Shield",
    "Broadsword",    "Chain Shirt",   "Fang Necklace", "Warhammer",     "Elixir",
    "Iron Shield",   "Moon Herb",     "Battle Axe",    "Steel Helm",    "Venom Sac",
    "Mage Robe",     "Silver Dagger", "Hi-Potion",     "Chain Mail",    "Crystal Shard",
    "Flail",         "Kite Shield",   "Ruby Ring",     "Halberd",       "Scale Mail",
    "Life Feather",  "Steel Sword",   "Tower Shield",  "Golem Core",    "Fire Wand",
    "Ice Wand",      "Plate Helm",    "Storm Rod",     "Plate Armor",   "Mega Potion",
    "Runed Axe",     "Drake Scale",   "Silver Bow",    "Starlit Ring",  "Knight Lance",
    "Dragon Mail",   "Amulet",        "Great Sword",   "Sage Staff",    "Mirror Shield",
    "Demon Horn",    "Shadow Cloak",  "Rune Blade",    "Power Gloves",  "Holy Water",
    "Hydra Fang",    "Crown Shard",   "Giant Hammer",  "Void Crystal",  "Royal Armor",
    "Star Helm",     "Soul Lantern",  "Sun Sword",     "Wyrm Shield",   "Grand Elixir",
    "Lich Skull",    "Tyrant Eye",    "Kings Crown",   "Valor Blade",   "Heart Stone",
};

constexpr int kLastRegularItem = 79;

// Item numbers of each boss's trophy (its horn, skull, fang...) and second treasure.
constexpr std::array<std::pair<int, int>, 7> kBossDrops{
    {{80, 82}, {95, 91}, {93, 92}, {85, 94}, {87, 97}, {96, 90}, {88, 98}}};

std::int16_t i16(int value) {
    return static_cast<std::int16_t>(value);
}

void setSpecial(const Special& special, int power, Random& random, std::string& name,
                std::int16_t& percent, std::int16_t& target, std::int16_t& low, std::int16_t& high,
                std::int16_t& kind) {
    name = fixedWidth(special.name, kSpecialWidth);
    if (special.name.empty()) {
        percent = target = low = high = kind = 0;
        return;
    }
    percent = i16(random.range(10, 30));
    target = special.target;
    kind = special.kind;
    // Attacks on the whole party hit each member for less.
    const int base = special.target == All ? power * 2 / 3 : power;
    low = i16(base + random.range(0, 3));
    high = i16(low + base / 2 + random.range(2, 6));
}

MonsterRecord regularMonster(int n, Random& random) {
    const Monster& m = kMonsters[static_cast<std::size_t>(n)];
    const FamilyBias& bias = kFamilyBias[static_cast<std::size_t>(n / 5)];
    MonsterRecord r;
    r.name = fixedWidth(m.name, kNameWidth);
    r.level = i16(1 + n * 38 / 49 + random.range(0, 2));
    r.hp = i16(8 + 4 * n + n * n / 5 + random.range(0, 3 + n / 2));
    r.hp2 = r.hp;
    r.gold = i16(3 + 3 * n + n * n / 8 + random.range(0, 4 + n / 4));
    r.exp = i16(2 + 4 * n + n * n / 4 + random.range(0, 3 + n / 4));
    r.agility = i16(std::max(1, 4 + 3 * n / 2 + bias.agility + random.range(0, 5)));
    r.strength = i16(std::max(1, 5 + 2 * n + bias.strength + random.range(0, 4)));
    r.def = i16(std::max(0, 1 + 3 * n / 4 + bias.defense + random.range(0, 2)));
    r.offMin = i16(2 + n / 2 + random.range(0, 2));
    r.offMax = i16(r.offMin + 2 + n / 3 + random.range(0, 3));
    // Drops come from the part of the item list that matches the monster's strength;
    // the last items of the list are left to the bosses.
    r.item1 = i16(std::min(kLastRegularItem, 3 * n / 2 + random.range(0, 5)));
    r.item1Perc = i16(random.range(15, 50));
    if (n >= 5 && random.chance(60)) {
        r.item2 = i16(std::min(kLastRegularItem, 3 * n / 2 + random.range(6, 12)));
        r.item2Perc = i16(random.range(3, 12));
    } else {
        r.item2 = -1;
        r.item2Perc = 0;
    }
    const int power = 3 + 2 * n;
    setSpecial(m.special1, power, random, r.special1, r.special1Perc, r.s1Target, r.sp1Min,
               r.sp1Max, r.s1PorM);
    setSpecial(m.special2, power + 4, random, r.special2, r.special2Perc, r.s2Target, r.sp2Min,
               r.sp2Max, r.s2PorM);
    const bool caster = r.s1PorM == Magic || r.s2PorM == Magic;
    r.mpower = i16(caster ? 4 + n + random.range(0, 4) : random.range(0, 2));
    r.canURun = 1;
    return r;
}

MonsterRecord bossMonster(int b, Random& random) {
    const Monster& m = kMonsters[static_cast<std::size_t>(kFirstBoss + b)];
    MonsterRecord r;
    r.name = fixedWidth(m.name, kNameWidth);
    r.level = i16(50 + 3 * b + random.range(0, 2));
    r.hp = i16(1500 + 600 * b + 10 * random.range(0, 20));
    r.hp2 = r.hp;
    r.gold = i16(2000 + 800 * b + 10 * random.range(0, 20));
    r.exp = i16(3000 + 1000 * b + 10 * random.range(0, 20));
    r.agility = i16(70 + 6 * b + random.range(0, 8));
    r.strength = i16(110 + 10 * b + random.range(0, 10));
    r.def = i16(45 + 6 * b + random.range(0, 5));
    r.offMin = i16(30 + 4 * b + random.range(0, 4));
    r.offMax = i16(r.offMin + 15 + 2 * b + random.range(0, 5));
    // Each boss always leaves its trophy and sometimes a second treasure.
    const auto [trophy, treasure] = kBossDrops[static_cast<std::size_t>(b)];
    r.item1 = i16(trophy);
    r.item1Perc = 100;
    r.item2 = i16(treasure);
    r.item2Perc = i16(25 + 5 * b);
    const int power = 110 + 15 * b;
    setSpecial(m.special1, power, random, r.special1, r.special1Perc, r.s1Target, r.sp1Min,
               r.sp1Max, r.s1PorM);
    setSpecial(m.special2, power, random, r.special2, r.special2Perc, r.s2Target, r.sp2Min,
               r.sp2Max, r.s2PorM);
    r.special1Perc = i16(r.special1Perc + 10);
    r.special2Perc = i16(r.special2Perc + 10);
    r.mpower = i16(60 + 8 * b + random.range(0, 8));
    r.canURun = 0;
    return r;
}

// Maps that hold a boss lair: one boss each, the last boss on the last map.
constexpr std::array<int, 7> kBossMaps{37, 75, 113, 151, 189, 227, kMapCount - 1};

// Splits 100 in proportion to the weights; the rounding rest goes to the first entry.
template <std::size_t N> std::array<std::int16_t, N> shares(const std::array<int, N>& weights) {
    int total = 0;
    for (int w : weights)
        total += w;
    std::array<std::int16_t, N> result{};
    int sum = 0;
    for (std::size_t i = 0; i < N; ++i) {
        result[i] = i16(weights[i] * 100 / total);
        sum += result[i];
    }
    result[0] = i16(result[0] + 100 - sum);
    return result;
}

} // namespace

std::vector<MonsterRecord> demoMonsters() {
    Random random(0x57A75u);
    std::vector<MonsterRecord> records;
    for (int n = 0; n < kMonsterCount; ++n)
        records.push_back(n < kFirstBoss ? regularMonster(n, random)
                                         : bossMonster(n - kFirstBoss, random));
    return records;
}

std::vector<EncounterRecord> demoEncounters() {
    Random random(0xE9C0u);
    std::vector<EncounterRecord> records;
    constexpr int kLastRegular = kFirstBoss - 1;
    for (int k = 0; k < kMapCount; ++k) {
        EncounterRecord r;
        // The strongest monster met grows with the map number.
        const int top = 4 + k * (kLastRegular - 4) / (kMapCount - 1);
        const int first = std::clamp(top - 4 + random.range(-1, 1), 0, kLastRegular - 4);
        for (int i = 0; i < 5; ++i)
            r.monIndex[static_cast<std::size_t>(i)] = i16(first + i);
        // Weaker monsters are met more often.
        std::array<int, 5> weights{};
        for (int i = 0; i < 5; ++i)
            weights[static_cast<std::size_t>(i)] = 30 - 5 * i + random.range(-4, 4);
        r.monFreq = shares(weights);
        // Later maps send larger groups.
        const int three = 5 + k * 30 / (kMapCount - 1) + random.range(0, 4);
        const int two = 20 + k * 20 / (kMapCount - 1) + random.range(0, 6);
        r.nomNum = {i16(100 - two - three), i16(two), i16(three)};

        const auto lair = std::find(kBossMaps.begin(), kBossMaps.end(), k);
        if (lair != kBossMaps.end()) {
            // A lair: mostly the boss, met alone, with a few of its guards.
            r.monIndex[0] = i16(kFirstBoss + (lair - kBossMaps.begin()));
            r.monFreq = {60, 10, 10, 10, 10};
            r.nomNum = {100, 0, 0};
        }
        records.push_back(r);
    }
    return records;
}

std::vector<std::string> demoItemNames() {
    return {kItems.begin(), kItems.end()};
}

std::string itemListText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (name.find(',') != std::string::npos)
            text += '"' + name + '"';
        else
            text += name;
        text += '\n';
    }
    return text;
}

std::string charactersCsvText() {
    // Strength and gear grow with the level, so that the early maps turn safe first and
    // the bosses stay out of reach.
    std::string text = "name,level,strength,agility,item_damage,item_defense,hp\r\n";
    for (int level = 1; level <= 20; ++level)
        text += "L" + std::to_string(level) + ',' + std::to_string(level) + ',' +
                std::to_string(10 + 4 * level) + ',' + std::to_string(8 + 3 * level) + ',' +
                std::to_string(4 + 6 * level) + ',' + std::to_string(2 + 3 * level) + ',' +
                std::to_string(30 + 15 * level) + "\r\n";
    return text;
}

std::string targetsCsvText() {
    std::string text = "maps,profile,defeat_min,defeat_max\r\n";
    const auto band = [&](const std::string& maps, int level, const std::string& min,
                          const std::string& max) {
        text += maps + ",L" + std::to_string(level) + ',' + min + ',' + max + "\r\n";
    };
    // Region r runs from the map after one lair to the next lair; its first level is 3r + 1.
    int first = 1;
    for (std::size_t r = 0; r < kBossMaps.size(); ++r) {
        const int lair = kBossMaps[r] + 1; // map numbers count from 1
        const int level = 1 + 3 * static_cast<int>(r);
        const std::string maps = std::to_string(first) + '-' + std::to_string(lair - 1);
        band(maps, level, "1", r == 0 ? "15" : "25");
        band(maps, level + 1, "", "10");
        if (level + 2 <= 20)
            band(maps, level + 2, "", "2");
        band(std::to_string(lair), std::min(level + 4, 20), "10", "70");
        first = lair + 1;
    }
    return text;
}

} // namespace valmor::demo
