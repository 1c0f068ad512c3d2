#include "monster_record.h"

#include "checked_int.h"
#include "record_file.h"

namespace valmor {

namespace {

using R = MonsterRecord;

template <auto Member> constexpr MonsterField int16Field(std::string_view name, std::size_t at) {
    return {name, at, FieldKind::Int16, 2, &int16Member<R, Member>, nullptr};
}

template <auto Member>
constexpr MonsterField textField(std::string_view name, std::size_t at, std::size_t width) {
    return {name, at, FieldKind::Text, width, nullptr, &textMember<R, Member>};
}

} // namespace

const std::array<MonsterField, 29> kMonsterLayout{
    textField<&R::name>("name", 0, kNameWidth),
    int16Field<&R::hp>("hp", 10),
    int16Field<&R::hp2>("hp2", 12),
    int16Field<&R::gold>("gold", 14),
    int16Field<&R::exp>("exp", 16),
    int16Field<&R::item1>("item1", 18),
    int16Field<&R::item2>("item2", 20),
    int16Field<&R::level>("level", 22),
    int16Field<&R::agility>("agility", 24),
    int16Field<&R::strength>("strength", 26),
    int16Field<&R::item1Perc>("item1Perc", 28),
    int16Field<&R::item2Perc>("item2Perc", 30),
    textField<&R::special1>("special1", 32, kSpecialWidth),
    textField<&R::special2>("special2", 44, kSpecialWidth),
    int16Field<&R::special1Perc>("special1Perc", 56),
    int16Field<&R::special2Perc>("special2Perc", 58),
    int16Field<&R::s1Target>("s1Target", 60),
    int16Field<&R::s2Target>("s2Target", 62),
    int16Field<&R::offMin>("offMin", 64),
    int16Field<&R::offMax>("offMax", 66),
    int16Field<&R::sp1Min>("sp1Min", 68),
    int16Field<&R::sp1Max>("sp1Max", 70),
    int16Field<&R::sp2Min>("sp2Min", 72),
    int16Field<&R::sp2Max>("sp2Max", 74),
    int16Field<&R::def>("def", 76),
    int16Field<&R::mpower>("mpower", 78),
    int16Field<&R::s1PorM>("s1PorM", 80),
    int16Field<&R::s2PorM>("s2PorM", 82),
    int16Field<&R::canURun>("canURun", 84),
};

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
    const auto bytes = encodeMonsterRecord(record);
    writeRecord(file, checkedAdd16(spriteIndex, 1), bytes);
}

} // namespace valmor
