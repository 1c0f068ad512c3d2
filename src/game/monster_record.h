// The monster stats file ("monsters.tat"): one 86-byte record per sprite, record n + 1
// for sprite index n.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "files/record_file.h"
#include "game/record_layout.h"

namespace valmor {

inline constexpr const char* kMonsterFileName = "monsters.tat";
inline constexpr std::size_t kMonsterRecordBytes = 86;
inline constexpr std::size_t kNameWidth = 10;
inline constexpr std::size_t kSpecialWidth = 12;

// Texts hold one byte per character (ISO-8859-1), always exactly their field width.
struct MonsterRecord {
    std::string name = std::string(kNameWidth, ' ');
    std::int16_t hp = 0;
    std::int16_t hp2 = 0;
    std::int16_t gold = 0;
    std::int16_t exp = 0;
    std::int16_t item1 = 0;
    std::int16_t item2 = 0;
    std::int16_t level = 0;
    std::int16_t agility = 0;
    std::int16_t strength = 0;
    std::int16_t item1Perc = 0;
    std::int16_t item2Perc = 0;
    std::string special1 = std::string(kSpecialWidth, ' ');
    std::string special2 = std::string(kSpecialWidth, ' ');
    std::int16_t special1Perc = 0;
    std::int16_t special2Perc = 0;
    std::int16_t s1Target = 0;
    std::int16_t s2Target = 0;
    std::int16_t offMin = 0;
    std::int16_t offMax = 0;
    std::int16_t sp1Min = 0;
    std::int16_t sp1Max = 0;
    std::int16_t sp2Min = 0;
    std::int16_t sp2Max = 0;
    std::int16_t def = 0;
    std::int16_t mpower = 0;
    std::int16_t s1PorM = 0;
    std::int16_t s2PorM = 0;
    std::int16_t canURun = 0;

    bool operator==(const MonsterRecord&) const = default;
};

using MonsterField = RecordField<MonsterRecord>;

namespace monster_layout {

using R = MonsterRecord;
using C = FieldControl;

// An integer field: its name, offset, meaning, control, fill step, and how it is shown (by
// default as a number in a text box).
template <auto Member>
constexpr MonsterField number(std::string_view name, std::size_t at, std::string_view meaning,
                              std::string_view control, int step, C shownAs = C::Number,
                              ExpectedRange expected = {}) {
    return {name,     at,      FieldKind::Int16, 2,   &member<R, Member>, nullptr, meaning,
            expected, control, shownAs,          step};
}

template <auto Member>
constexpr MonsterField text(std::string_view name, std::size_t at, std::size_t width,
                            std::string_view meaning, std::string_view control, int step) {
    return {name,    at, FieldKind::Text, width,        nullptr, &member<R, Member>,
            meaning, {}, control,         C::FixedText, step};
}

// An item list position: 0 to 99, or -1 for no item.
constexpr ExpectedRange kItemPosition{-1, 99};

} // namespace monster_layout

// The record in file order; fillStep gives the order in which the editor fills the controls.
inline constexpr std::array<MonsterField, 29> kMonsterLayout = [] {
    using namespace monster_layout;
    return std::array<MonsterField, 29>{
        text<&R::name>("name", 0, kNameWidth, "name", "txtName", 1),
        number<&R::hp>("hp", 10, "hit points", "txtHP", 3),
        number<&R::hp2>("hp2", 12, "hit points again; every Save sets it to hp", {}, 0, C::None),
        number<&R::gold>("gold", 14, "gold the monster carries", "txtGold", 2),
        number<&R::exp>("exp", 16, "experience for beating it", "txtExp", 4),
        number<&R::item1>("item1", 18, "the item it may drop (item list position, -1 none)",
                          "cboItem1", 8, C::ListPosition, kItemPosition),
        number<&R::item2>("item2", 20, "a second item it may drop (item list position, -1 none)",
                          "cboItem2", 11, C::ListPosition, kItemPosition),
        number<&R::level>("level", 22, "level", "txtLevel", 6),
        number<&R::agility>("agility", 24, "agility, which raises its defense", "txtAgi", 5),
        number<&R::strength>("strength", 26, "strength, which raises its attack", "txtStr", 7),
        number<&R::item1Perc>("item1Perc", 28, "chance of dropping item1, in percent",
                              "txtitem1Perc", 9),
        number<&R::item2Perc>("item2Perc", 30, "chance of dropping item2, in percent",
                              "txtItem2Perc", 10),
        text<&R::special1>("special1", 32, kSpecialWidth, "name of its first special",
                           "txtSpecial1", 12),
        text<&R::special2>("special2", 44, kSpecialWidth, "name of its second special",
                           "txtSpecial2", 14),
        number<&R::special1Perc>("special1Perc", 56, "chance of special1, in percent",
                                 "txtSpecial1perc", 13),
        number<&R::special2Perc>("special2Perc", 58, "chance of special2, in percent",
                                 "txtSpecial2Perc", 15),
        number<&R::s1Target>("s1Target", 60, "target of special1", "txtS1target", 16,
                             C::WholeNumber),
        number<&R::s2Target>("s2Target", 62, "target of special2", "txtS2target", 17,
                             C::WholeNumber),
        number<&R::offMin>("offMin", 64, "lowest attack", "txtOffMin", 23),
        number<&R::offMax>("offMax", 66, "highest attack, the base of the battle estimate",
                           "txtOffMax", 24),
        number<&R::sp1Min>("sp1Min", 68, "lowest effect of special1", "txtSP1min", 19),
        number<&R::sp1Max>("sp1Max", 70, "highest effect of special1", "txtSP1max", 20),
        number<&R::sp2Min>("sp2Min", 72, "lowest effect of special2", "txtSp2min", 21),
        number<&R::sp2Max>("sp2Max", 74, "highest effect of special2", "txtSP2max", 22),
        number<&R::def>("def", 76, "defense", "txtDef", 18),
        number<&R::mpower>("mpower", 78, "magic power", "txtMpower", 27),
        number<&R::s1PorM>("s1PorM", 80, "whether special1 is physical or magic", "txtS1PorM", 25),
        number<&R::s2PorM>("s2PorM", 82, "whether special2 is physical or magic", "txtS2PorM", 26),
        number<&R::canURun>("canURun", 84, "whether a character can run from it", "txtCanURun", 28),
    };
}();
static_assert(isPackedLayout(kMonsterLayout, kMonsterRecordBytes));

MonsterRecord decodeMonsterRecord(std::span<const std::uint8_t, kMonsterRecordBytes> bytes);
std::array<std::uint8_t, kMonsterRecordBytes> encodeMonsterRecord(const MonsterRecord& record);

// Reads the record of sprite index n (record n + 1, computed in 16 bits: 32767 overflows).
// Missing bytes past the end of the file read as zero.
MonsterRecord readMonsterRecord(const GamePath& file, std::int16_t spriteIndex);

// Writes exactly the 86 bytes of record n + 1 and no other byte.
void writeMonsterRecord(const GamePath& file, std::int16_t spriteIndex,
                        const MonsterRecord& record);

// The editor's pick and Save: as above, but the pick keeps the record as read in `snapshot`
// and the Save writes only while the file still holds it (see writeRecord); the error names
// the monster by number and by its name as read.
MonsterRecord readMonsterRecord(const GamePath& file, std::int16_t spriteIndex,
                                RecordSnapshot& snapshot);
void writeMonsterRecord(const GamePath& file, std::int16_t spriteIndex, const MonsterRecord& record,
                        RecordSnapshot& expected);

} // namespace valmor
