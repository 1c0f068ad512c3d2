#include "encounter_record.h"

#include "record_file.h"

namespace valmor {

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
