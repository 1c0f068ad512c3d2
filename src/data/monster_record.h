// The monster stats file ("monsters.tat"): one 86-byte record per sprite, record n + 1
// for sprite index n.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "record_layout.h"

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
extern const std::array<MonsterField, 29> kMonsterLayout;

MonsterRecord decodeMonsterRecord(std::span<const std::uint8_t, kMonsterRecordBytes> bytes);
std::array<std::uint8_t, kMonsterRecordBytes> encodeMonsterRecord(const MonsterRecord& record);

// Reads the record of sprite index n (record n + 1, computed in 16 bits: 32767 overflows).
// Missing bytes past the end of the file read as zero.
MonsterRecord readMonsterRecord(const std::filesystem::path& file, std::int16_t spriteIndex);

// Writes exactly the 86 bytes of record n + 1 and no other byte.
void writeMonsterRecord(const std::filesystem::path& file, std::int16_t spriteIndex,
                        const MonsterRecord& record);

} // namespace valmor
