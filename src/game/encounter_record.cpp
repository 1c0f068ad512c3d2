#include "game/encounter_record.h"

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

EncounterRecord readEncounterRecord(const GamePath& file, std::int16_t n) {
    RecordSnapshot unused;
    return readEncounterRecord(file, n, unused);
}

void writeEncounterRecord(const GamePath& file, std::int16_t n, const EncounterRecord& record) {
    writeRecord(file, n, encodeEncounterRecord(record));
}

EncounterRecord readEncounterRecord(const GamePath& file, std::int16_t n,
                                    RecordSnapshot& snapshot) {
    RecordSnapshot read = readRecordSnapshot(file, n, kEncounterRecordBytes);
    const EncounterRecord record =
        decodeEncounterRecord(std::span<const std::uint8_t, kEncounterRecordBytes>(read.bytes));
    snapshot = std::move(read);
    return record;
}

void writeEncounterRecord(const GamePath& file, std::int16_t n, const EncounterRecord& record,
                          RecordSnapshot& expected) {
    writeRecord(file, n, encodeEncounterRecord(record), expected,
                {"map " + std::to_string(n), "map", 1});
}

} // namespace valmor
