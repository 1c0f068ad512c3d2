#include "game/monster_record.h"

#include <algorithm>

#include "files/message_text.h"
#include "game/checked_int.h"

namespace valmor {

MonsterRecord decodeMonsterRecord(std::span<const std::uint8_t, kMonsterRecordBytes> bytes) {
    return decodeRecord<MonsterRecord>(kMonsterLayout, bytes);
}

std::array<std::uint8_t, kMonsterRecordBytes> encodeMonsterRecord(const MonsterRecord& record) {
    std::array<std::uint8_t, kMonsterRecordBytes> bytes{};
    encodeRecord(kMonsterLayout, record, bytes);
    return bytes;
}

MonsterRecord readMonsterRecord(const GamePath& file, std::int16_t spriteIndex) {
    RecordSnapshot unused;
    return readMonsterRecord(file, spriteIndex, unused);
}

void writeMonsterRecord(const GamePath& file, std::int16_t spriteIndex,
                        const MonsterRecord& record) {
    writeRecord(file, checkedAdd16(spriteIndex, 1), encodeMonsterRecord(record));
}

MonsterRecord readMonsterRecord(const GamePath& file, std::int16_t spriteIndex,
                                RecordSnapshot& snapshot) {
    RecordSnapshot read =
        readRecordSnapshot(file, checkedAdd16(spriteIndex, 1), kMonsterRecordBytes);
    const MonsterRecord record =
        decodeMonsterRecord(std::span<const std::uint8_t, kMonsterRecordBytes>(read.bytes));
    snapshot = std::move(read);
    return record;
}

void writeMonsterRecord(const GamePath& file, std::int16_t spriteIndex, const MonsterRecord& record,
                        RecordSnapshot& expected) {
    // The monster as the user knows it: its number and the name stored when it was read,
    // without the blanks that pad it.
    std::string what = "monster " + std::to_string(spriteIndex);
    const std::size_t named = std::min({expected.stored, expected.bytes.size(), kNameWidth});
    std::string_view name(reinterpret_cast<const char*>(expected.bytes.data()), named);
    name = name.substr(0, name.find_last_not_of(' ') + 1);
    if (!name.empty())
        what += " \"" + escapeForMessage(name) + "\"";
    writeRecord(file, checkedAdd16(spriteIndex, 1), encodeMonsterRecord(record), expected,
                {std::move(what), "monster", 0});
}

} // namespace valmor
