// The encounter file ("encountr.mon"): one 26-byte record per map, record m for map m.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "record_layout.h"

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
extern const std::array<EncounterField, 13> kEncounterLayout;

EncounterRecord decodeEncounterRecord(std::span<const std::uint8_t, kEncounterRecordBytes> bytes);
std::array<std::uint8_t, kEncounterRecordBytes>
encodeEncounterRecord(const EncounterRecord& record);

// Record number n from 1; n below 1 raises BadRecordNumber. Missing bytes read as zero.
EncounterRecord readEncounterRecord(const std::filesystem::path& file, std::int16_t n);
void writeEncounterRecord(const std::filesystem::path& file, std::int16_t n,
                          const EncounterRecord& record);

} // namespace valmor
