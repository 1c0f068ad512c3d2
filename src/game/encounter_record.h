// The encounter file ("encountr.mon"): one 26-byte record per map, record m for map m.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "files/record_file.h"
#include "game/record_layout.h"

namespace valmor {

inline constexpr const char* kEncounterFileName = "encountr.mon";
inline constexpr std::size_t kEncounterRecordBytes = 26;
inline constexpr int kMapCount = 268;

struct EncounterRecord {
    std::array<std::int16_t, 5> monIndex{};
    std::array<std::int16_t, 5> monFreq{};
    std::array<std::int16_t, 3> nomNum{};

    bool operator==(const EncounterRecord&) const = default;
};

using EncounterField = RecordField<EncounterRecord>;

namespace encounter_layout {

// Field i of one of the three rows; the editor shows it in the box of the row's control
// array, member i, and fills each monster number, then its frequency, then the counts.
template <auto Array, std::size_t Index>
constexpr EncounterField field(std::string_view name, std::size_t at, std::string_view meaning,
                               std::string_view control, int step, ExpectedRange expected = {}) {
    return {
        name,    at,      FieldKind::Int16, 2,       &int16Element<EncounterRecord, Array, Index>,
        nullptr, meaning, expected,         control, FieldControl::Number,
        step};
}

constexpr ExpectedRange kSpriteNumber{0, 32767, true};

} // namespace encounter_layout

inline constexpr std::array<EncounterField, 13> kEncounterLayout = [] {
    using namespace encounter_layout;
    using R = EncounterRecord;
    constexpr std::string_view monster = "monster that can appear (a sprite number)";
    constexpr std::string_view frequency = "how often that monster appears";
    constexpr std::string_view count = "weight of meeting 1, 2 or 3 monsters at once";
    return std::array<EncounterField, 13>{
        field<&R::monIndex, 0>("monIndex0", 0, monster, "txtMonIndex_0", 1, kSpriteNumber),
        field<&R::monIndex, 1>("monIndex1", 2, monster, "txtMonIndex_1", 3, kSpriteNumber),
        field<&R::monIndex, 2>("monIndex2", 4, monster, "txtMonIndex_2", 5, kSpriteNumber),
        field<&R::monIndex, 3>("monIndex3", 6, monster, "txtMonIndex_3", 7, kSpriteNumber),
        field<&R::monIndex, 4>("monIndex4", 8, monster, "txtMonIndex_4", 9, kSpriteNumber),
        field<&R::monFreq, 0>("monFreq0", 10, frequency, "txtMonFreq_0", 2),
        field<&R::monFreq, 1>("monFreq1", 12, frequency, "txtMonFreq_1", 4),
        field<&R::monFreq, 2>("monFreq2", 14, frequency, "txtMonFreq_2", 6),
        field<&R::monFreq, 3>("monFreq3", 16, frequency, "txtMonFreq_3", 8),
        field<&R::monFreq, 4>("monFreq4", 18, frequency, "txtMonFreq_4", 10),
        field<&R::nomNum, 0>("nomNum0", 20, count, "txtNOMnum_0", 11),
        field<&R::nomNum, 1>("nomNum1", 22, count, "txtNOMnum_1", 12),
        field<&R::nomNum, 2>("nomNum2", 24, count, "txtNOMnum_2", 13),
    };
}();
static_assert(isPackedLayout(kEncounterLayout, kEncounterRecordBytes));

EncounterRecord decodeEncounterRecord(std::span<const std::uint8_t, kEncounterRecordBytes> bytes);
std::array<std::uint8_t, kEncounterRecordBytes>
encodeEncounterRecord(const EncounterRecord& record);

// Record number n from 1; n below 1 raises BadRecordNumber. Missing bytes read as zero.
EncounterRecord readEncounterRecord(const GamePath& file, std::int16_t n);
void writeEncounterRecord(const GamePath& file, std::int16_t n, const EncounterRecord& record);

// The editor's pick and Save: as above, but the pick keeps the record as read in `snapshot`
// and the Save writes only while the file still holds it (see writeRecord).
EncounterRecord readEncounterRecord(const GamePath& file, std::int16_t n, RecordSnapshot& snapshot);
void writeEncounterRecord(const GamePath& file, std::int16_t n, const EncounterRecord& record,
                          RecordSnapshot& expected);

} // namespace valmor
