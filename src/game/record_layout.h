// A record's layout written once, as a table of fields: where each lies in the file, what
// it means and what range the game expects. The codec, the editor, check, the tools and the
// tests walk the table instead of repeating it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace valmor {

enum class FieldKind { Int16, Text };

// The values the game expects of a field; check reports any other.
struct ExpectedRange {
    int low = -32768;
    int high = 32767;
    bool upToLastSprite = false; // a sprite number: 0 to the last sprite of the sprite file

    constexpr bool anyValue() const { return low == -32768 && high == 32767 && !upToLastSprite; }
    bool operator==(const ExpectedRange&) const = default;
};

template <typename Record> struct RecordField {
    std::string_view name;
    std::size_t offset;
    FieldKind kind;
    std::size_t width; // bytes in the file: 2 for integers, the character count for texts
    std::int16_t* (*int16)(Record&); // set for Int16 fields
    std::string* (*text)(Record&);   // set for Text fields
    std::string_view meaning;
    ExpectedRange expected;
};

// The accessors a field holds: a member of the record, or an element of an array member.
template <typename Record, auto Member> auto* member(Record& record) {
    return &(record.*Member);
}

template <typename Record, auto Array, std::size_t Index>
std::int16_t* int16Element(Record& record) {
    return &(record.*Array)[Index];
}

// Keeps the first `width` characters of the text and pads a shorter one with blanks.
inline std::string fixedWidth(std::string_view text, std::size_t width) {
    std::string field(text.substr(0, width));
    field.resize(width, ' ');
    return field;
}

inline std::int16_t loadInt16(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)));
}

inline void storeInt16(std::uint8_t* bytes, std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    bytes[0] = static_cast<std::uint8_t>(bits & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(bits >> 8);
}

// Integers are little-endian two's complement; each text byte is one character.
template <typename Record, typename Layout>
Record decodeRecord(const Layout& layout, std::span<const std::uint8_t> bytes) {
    Record record{};
    for (const RecordField<Record>& field : layout) {
        const std::uint8_t* at = bytes.data() + field.offset;
        if (field.kind == FieldKind::Int16)
            *field.int16(record) = loadInt16(at);
        else
            field.text(record)->assign(reinterpret_cast<const char*>(at), field.width);
    }
    return record;
}

// Text fields go through the fixed-width assignment, so the bytes are always exact.
template <typename Record, typename Layout>
void encodeRecord(const Layout& layout, Record record, std::span<std::uint8_t> bytes) {
    for (const RecordField<Record>& field : layout) {
        std::uint8_t* at = bytes.data() + field.offset;
        if (field.kind == FieldKind::Int16) {
            storeInt16(at, *field.int16(record));
        } else {
            const std::string text = fixedWidth(*field.text(record), field.width);
            std::ranges::copy(text, at);
        }
    }
}

// True when the fields follow each other without gaps or overlaps and fill `size` bytes.
template <typename Layout> constexpr bool isPackedLayout(const Layout& layout, std::size_t size) {
    std::size_t next = 0;
    for (const auto& field : layout) {
        if (field.offset != next)
            return false;
        if (field.kind == FieldKind::Int16 && field.width != 2)
            return false;
        next += field.width;
    }
    return next == size;
}

} // namespace valmor
