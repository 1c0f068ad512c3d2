#include "monster_record.h"

#include "checked_int.h"
#include "record_file.h"

namespace valmor {

MonsterRecord decodeMonsterRecord(std::span<const std::uint8_t, kMonsterRecordBytes> bytes) {
    return decodeRecord<MonsterRecord>(kMonsterLayout, bytes);
}

std::array<std::uint8_t, kMonsterRecordBytes> encodeMonsterRecord(const MonsterRecord& record) {
    std::array<std::uint8_t, kMonsterRecordBytes> bytes{};
    encodeRecord(kMonsterLayout, record, bytes);
    return bytes;
}

MonsterRecord readMonsterRecord(const std::filesystem::path& file, std::int16_t spriteIndex) {
    std::array<std::uint8_t, kMonsterRecordBytes> bytes{};
    readRecord(file, checkedAdd16(spriteIndex, 1), bytes);
    return decodeMonsterRecord(bytes);
}

void writeMonsterRecord(const std::filesystem::path& file, std::int16_t spriteIndex,
                        const MonsterRecord& record) {
    writeRecord(file, checkedAdd16(spriteIndex, 1), encodeMonsterRecord(record));
}

} // namespace valmor
