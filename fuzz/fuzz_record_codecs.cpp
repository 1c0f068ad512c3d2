// Monster and encounter record codecs. Input of exactly one record's length decodes and
// encodes back to the same bytes. Input of any other length becomes the three texts of a
// monster record, which must come back blank-padded or cut to their field widths.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/record_layout.h"

using namespace valmor;
using valmor::fuzz::check;

namespace {

template <std::size_t N, typename Decode, typename Encode>
void checkRoundTrip(const std::uint8_t* data, Decode decode, Encode encode) {
    const std::span<const std::uint8_t, N> bytes(data, N);
    const auto record = decode(bytes);
    const auto again = encode(record);
    check(std::equal(again.begin(), again.end(), bytes.begin()), "bytes change on re-encoding");
    check(decode(again) == record, "record changes on re-decoding");
}

void checkTexts(std::string_view text) {
    const std::size_t third = text.size() / 3;
    MonsterRecord record;
    record.name = text.substr(0, third);
    record.special1 = text.substr(third, third);
    record.special2 = text.substr(2 * third);
    const MonsterRecord back = decodeMonsterRecord(encodeMonsterRecord(record));
    check(back.name == fixedWidth(record.name, kNameWidth), "name");
    check(back.special1 == fixedWidth(record.special1, kSpecialWidth), "special1");
    check(back.special2 == fixedWidth(record.special2, kSpecialWidth), "special2");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == kMonsterRecordBytes)
        checkRoundTrip<kMonsterRecordBytes>(data, decodeMonsterRecord, encodeMonsterRecord);
    else if (size == kEncounterRecordBytes)
        checkRoundTrip<kEncounterRecordBytes>(data, decodeEncounterRecord, encodeEncounterRecord);
    else
        checkTexts(valmor::fuzz::asText(data, size));
    return 0;
}
