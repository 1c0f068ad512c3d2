#include "game/game_records.h"

#include <span>

namespace valmor {

namespace {

template <typename Record, std::size_t N>
std::vector<Record> readRecords(const GamePath& path, std::size_t recordBytes,
                                const std::array<RecordField<Record>, N>& layout) {
    const std::string bytes = readRecordFileBytes(path, recordBytes);
    std::vector<Record> records;
    records.reserve(recordCount(bytes.size(), recordBytes));
    forEachRecord(bytes, recordBytes, [&](std::span<const std::uint8_t> record) {
        records.push_back(decodeRecord<Record>(layout, record));
    });
    return records;
}

} // namespace

std::vector<MonsterRecord> readAllMonsterRecords(const GamePath& path) {
    return readRecords(path, kMonsterRecordBytes, kMonsterLayout);
}

std::vector<EncounterRecord> readAllEncounterRecords(const GamePath& path) {
    std::vector<EncounterRecord> maps = readRecords(path, kEncounterRecordBytes, kEncounterLayout);
    if (maps.size() < static_cast<std::size_t>(kMapCount))
        maps.resize(kMapCount);
    return maps;
}

} // namespace valmor
