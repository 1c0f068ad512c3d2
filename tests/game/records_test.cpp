// Byte layouts and record access of "monsters.tat" and "encountr.mon".
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>

#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

using M = MonsterRecord;
using E = EncounterRecord;

// Every integer field of the monster record with its offset in the file.
const std::pair<std::size_t, std::int16_t M::*> kMonsterInts[] = {
    {10, &M::hp},           {12, &M::hp2},       {14, &M::gold},      {16, &M::exp},
    {18, &M::item1},        {20, &M::item2},     {22, &M::level},     {24, &M::agility},
    {26, &M::strength},     {28, &M::item1Perc}, {30, &M::item2Perc}, {56, &M::special1Perc},
    {58, &M::special2Perc}, {60, &M::s1Target},  {62, &M::s2Target},  {64, &M::offMin},
    {66, &M::offMax},       {68, &M::sp1Min},    {70, &M::sp1Max},    {72, &M::sp2Min},
    {74, &M::sp2Max},       {76, &M::def},       {78, &M::mpower},    {80, &M::s1PorM},
    {82, &M::s2PorM},       {84, &M::canURun},
};

// Encounter field i (0 to 12) in file order.
std::int16_t& encounterField(E& record, std::size_t i) {
    return i < 5 ? record.monIndex[i] : i < 10 ? record.monFreq[i - 5] : record.nomNum[i - 10];
}

TEST(RecordLayoutTest, LayoutsMatchTheFileFormats) {
    const std::size_t monsterOffsets[] = {0,  10, 12, 14, 16, 18, 20, 22, 24, 26,
                                          28, 30, 32, 44, 56, 58, 60, 62, 64, 66,
                                          68, 70, 72, 74, 76, 78, 80, 82, 84};
    ASSERT_EQ(kMonsterLayout.size(), std::size(monsterOffsets));
    for (std::size_t i = 0; i < kMonsterLayout.size(); ++i) {
        const MonsterField& field = kMonsterLayout[i];
        const bool text = field.offset == 0 || field.offset == 32 || field.offset == 44;
        EXPECT_EQ(field.offset, monsterOffsets[i]) << field.name;
        EXPECT_EQ(field.kind, text ? FieldKind::Text : FieldKind::Int16) << field.name;
        EXPECT_EQ(field.width, field.offset == 0 ? 10u : text ? 12u : 2u) << field.name;
    }
    ASSERT_EQ(kEncounterLayout.size(), 13u);
    for (std::size_t i = 0; i < 13; ++i)
        EXPECT_EQ(kEncounterLayout[i].offset, 2 * i);
}

// One record written out byte by byte: the layout is checked against known bytes, not
// against a second list of its offsets.
TEST(RecordCodecTest, AKnownMonsterRecordHasKnownBytes) {
    M record;
    record.name = "Orc Chief ";
    record.special1 = "Fire Bolt   ";
    record.special2 = "Hex         ";
    record.hp = 300;
    record.hp2 = 300;
    record.gold = -1;
    record.exp = 7;
    record.item1 = 12;
    record.item2 = -1;
    record.level = 3;
    record.agility = 4;
    record.strength = 5;
    record.item1Perc = 50;
    record.item2Perc = 0;
    record.special1Perc = 25;
    record.special2Perc = 10;
    record.s1Target = 1;
    record.s2Target = 2;
    record.offMin = 6;
    record.offMax = 9;
    record.sp1Min = 10;
    record.sp1Max = 20;
    record.sp2Min = -300;
    record.sp2Max = 32767;
    record.def = -32768;
    record.mpower = 8;
    record.s1PorM = 0;
    record.s2PorM = 1;
    record.canURun = 1;
    // clang-format off
    const std::array<std::uint8_t, kMonsterRecordBytes> bytes{
        'O', 'r', 'c', ' ', 'C', 'h', 'i', 'e', 'f', ' ',                // name
        0x2C, 0x01, 0x2C, 0x01, 0xFF, 0xFF, 0x07, 0x00, 0x0C, 0x00,       // hp, hp2, gold, exp, item1
        0xFF, 0xFF, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00, 0x32, 0x00,       // item2, level, agility, strength, item1Perc
        0x00, 0x00,                                                       // item2Perc
        'F', 'i', 'r', 'e', ' ', 'B', 'o', 'l', 't', ' ', ' ', ' ',       // special1
        'H', 'e', 'x', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',       // special2
        0x19, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x02, 0x00, 0x06, 0x00,       // special1Perc to offMin
        0x09, 0x00, 0x0A, 0x00, 0x14, 0x00, 0xD4, 0xFE, 0xFF, 0x7F,       // offMax to sp2Max
        0x00, 0x80, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,       // def to canURun
    };
    // clang-format on
    EXPECT_EQ(encodeMonsterRecord(record), bytes);
    EXPECT_EQ(decodeMonsterRecord(bytes), record);
}

TEST(RecordCodecTest, IntegersAreLittleEndianAtTheirOffsets) {
    const std::tuple<std::int16_t, std::uint8_t, std::uint8_t> values[] = {
        {-1, 0xFF, 0xFF}, {300, 0x2C, 0x01}, {-32768, 0x00, 0x80}, {32767, 0xFF, 0x7F}};
    for (const auto& row : values) {
        SCOPED_TRACE(rowName(values, row));
        const auto& [value, low, high] = row;
        for (const auto& row2 : kMonsterInts) {
            SCOPED_TRACE(rowName(kMonsterInts, row2));
            const auto& [offset, member] = row2;
            M record;
            record.*member = value;
            const auto bytes = encodeMonsterRecord(record);
            EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0),
                      86 - 34 - 2 + (low == 0) + (high == 0));
            EXPECT_EQ(bytes[offset], low) << offset;
            EXPECT_EQ(bytes[offset + 1], high) << offset;
            EXPECT_EQ(decodeMonsterRecord(bytes), record) << offset;
        }
        for (std::size_t i = 0; i < 13; ++i) {
            E record;
            encounterField(record, i) = value;
            const auto bytes = encodeEncounterRecord(record);
            EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 24 + (low == 0) + (high == 0));
            EXPECT_EQ(bytes[2 * i], low);
            EXPECT_EQ(bytes[2 * i + 1], high);
            EXPECT_EQ(decodeEncounterRecord(bytes), record);
        }
    }
    std::array<std::uint8_t, 26> counting{};
    for (std::uint8_t i = 0; i < 13; ++i)
        counting[2 * i] = i + 1;
    const E decoded = decodeEncounterRecord(counting);
    EXPECT_EQ(decoded.monIndex, (std::array<std::int16_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(decoded.monFreq, (std::array<std::int16_t, 5>{6, 7, 8, 9, 10}));
    EXPECT_EQ(decoded.nomNum, (std::array<std::int16_t, 3>{11, 12, 13}));
}

using RecordFileFormatTest = TempDirTest;

TEST_F(RecordFileFormatTest, EveryByteValueRoundTripsThroughTextFields) {
    Bytes original(8 * 86);
    for (std::size_t i = 0, next = 0; i < original.size(); ++i) {
        const std::size_t at = i % 86;
        original[i] = static_cast<std::uint8_t>(at < 10 || (at >= 32 && at < 56) ? next++ : i);
    }
    writeBytes(file("in.tat"), original);
    for (std::int16_t index = 0; index < 8; ++index)
        writeMonsterRecord(file("out.tat"), index, readMonsterRecord(file("in.tat"), index));
    EXPECT_EQ(readBytes(file("out.tat")), original);
    EXPECT_EQ(readMonsterRecord(file("in.tat"), 0).name, std::string("\0\1\2\3\4\5\6\7\10\11", 10));
}

TEST_F(RecordFileFormatTest, SpriteIndexNIsRecordNPlusOneWithFixedWidthTexts) {
    struct Case {
        std::int16_t index;
        std::size_t recordsBefore, offset, finalSize;
        std::string name, stored;
    };
    const Case cases[] = {{0, 0, 0, 86, "Orc", "Orc       "},
                          {2, 0, 172, 258, "Goblin King", "Goblin Kin"},
                          {4, 2, 344, 430, "", "          "},
                          {1, 3, 86, 258, "Exactly10!", "Exactly10!"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        writeBytes(file("monsters.tat"), Bytes(c.recordsBefore * 86, 0x11));
        M record;
        record.name = c.name;
        record.hp = 300;
        record.special1 = "Fire Breath of Doom";
        writeMonsterRecord(file("monsters.tat"), c.index, record);
        const Bytes got = readBytes(file("monsters.tat"));
        ASSERT_EQ(got.size(), c.finalSize);
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (i < c.offset || i >= c.offset + 86) {
                ASSERT_EQ(got[i], i < c.recordsBefore * 86 ? 0x11 : 0)
                    << "index " << c.index << " byte " << i;
            }
        }
        const auto text = [&](std::size_t from, std::size_t to) {
            return std::string(got.begin() + c.offset + from, got.begin() + c.offset + to);
        };
        EXPECT_EQ(text(0, 13), c.stored + "\x2C\x01" + '\0');
        EXPECT_EQ(text(32, 56), "Fire Breath " + std::string(12, ' '));
        const M back = readMonsterRecord(file("monsters.tat"), c.index);
        EXPECT_EQ(back.name, c.stored);
        EXPECT_EQ(back.special1, "Fire Breath ");
    }
}

TEST_F(RecordFileFormatTest, BadNumbersMoveNoByte) {
    const Bytes before(172, 0x11);
    writeBytes(file("records.bin"), before);
    const std::pair<std::int16_t, ErrorKind> cases[] = {{-1, ErrorKind::BadRecordNumber},
                                                        {32767, ErrorKind::Overflow},
                                                        {-32768, ErrorKind::BadRecordNumber}};
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [index, kind] = row;
        EXPECT_EQ(errorKindOf([&] { readMonsterRecord(file("records.bin"), index); }), kind);
        EXPECT_EQ(errorKindOf([&] { writeMonsterRecord(file("records.bin"), index, M{}); }), kind);
    }
    for (const std::int16_t n : {0, -1, -32768}) {
        EXPECT_EQ(errorKindOf([&] { readEncounterRecord(file("records.bin"), n); }),
                  ErrorKind::BadRecordNumber);
        EXPECT_EQ(errorKindOf([&] { writeEncounterRecord(file("records.bin"), n, E{}); }),
                  ErrorKind::BadRecordNumber);
    }
    EXPECT_EQ(readBytes(file("records.bin")), before);
}

TEST_F(RecordFileFormatTest, EncounterRecordOfMapMIsRecordM) {
    E record;
    record.monIndex[0] = 7;
    record.nomNum[2] = -1;
    writeBytes(file("empty.mon"), Bytes{});
    writeEncounterRecord(file("empty.mon"), 3, record);
    Bytes expected(78, 0);
    expected[52] = 7;
    expected[76] = expected[77] = 0xFF;
    EXPECT_EQ(readBytes(file("empty.mon")), expected);

    writeBytes(file("full.mon"), Bytes(268 * 26, 0x22));
    writeEncounterRecord(file("full.mon"), 268, record);
    Bytes full(6968, 0x22);
    std::copy(expected.begin() + 52, expected.end(), full.begin() + 6942);
    EXPECT_EQ(readBytes(file("full.mon")), full);
    EXPECT_EQ(readEncounterRecord(file("full.mon"), 268), record);
}

} // namespace
} // namespace valmor::test
