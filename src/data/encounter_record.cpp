#include "encounter_record.h"

#include "record_file.h"

namespace valmor {

namespace {

using R = EncounterRecord;

template <auto Array, std::size_t Index>
constexpr EncounterField field(std::string_view name, std::size_t at) {
    return {name, at, FieldKind::Int16, 2, &int16Element<R, Array, Index>, nullptr};
}

} // namespace

const std::array<EncounterField, 13> kEncounterLayout{
    field<&R::monIndex, 0>("monIndex0", 0), field<&R::monIndex, 1>("monIndex1", 2),
    field<&R::monIndex, 2>("monIndex2", 4), field<&R::monIndex, 3>("monIndex3", 6),
    field<&R::monIndex, 4>("monIndex4", 8), field<&R::monFreq, 0>("monFreq0", 10),
    field<&R::monFreq, 1>("monFreq1", 12),  field<&R::monFreq, 2>("monFreq2", 14),
    field<&R::monFreq, 3>("monFreq3", 16),  field<&R::monFreq, 4>("monFreq4", 18),
    field<&R::nomNum, 0>("nomNum0", 20),    field<&R::nomNum, 1>("nomNum1", 22),
    field<&R::nomNum, 2>("nomNum2", 24),
};

EncounterRecord decodeEncounterRecord(std::span<const std::uint8_t, kEncounterRecordBytes> bytes) {
    return decodeRecord<EncounterRecord>(kEncounterLayout, bytes);
}

std::array<std::uint8_t, kEncounterRecordBytes>
encodeEncounterRecord(const EncounterRecord& record) {
    std::array<std::uint8_t, kEncounterRecordBytes> bytes{};
    encodeRecord(kEncounterLayout, record, bytes);
    return bytes;
}

EncounterRecord readEncounterRecord(const std::filesystem::path& file, std::int16_t n) {
    std::array<std::uint8_t, kEncounterRecordBytes> bytes{};
    readRecord(file, n, bytes);
    return decodeEncounterRecord(bytes);
}

void writeEncounterRecord(const std::filesystem::path& file, std::int16_t n,
                          const EncounterRecord& record) {
    writeRecord(file, n, encodeEncounterRecord(record));
}

} // namespace valmor
