// Reads a table's text from a stream one chunk at a time and keeps the line and column of
// the current byte, so that the readers never hold more than a chunk of the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

#include "game/tables/text_table.h"

namespace valmor::tables {

class TextStream {
public:
    static constexpr std::size_t kChunkBytes = 64 * 1024;

    // `source` names the input in messages. `chunkBytes` is for tests of chunk edges.
    TextStream(std::istream& in, std::string source, std::size_t chunkBytes = kChunkBytes);

    bool atEnd() { return pos_ == buffer_.size() && !refill(); }
    // The current byte; '\0' at the end.
    char peek() { return pos_ < buffer_.size() || refill() ? buffer_[pos_] : '\0'; }
    // Steps past the current byte. A line ends at LF, CRLF or a lone CR.
    void advance();

    TextPosition position() const { return at_; }
    // Bytes read so far.
    std::uint64_t offset() const { return offset_; }
    const std::string& source() const { return source_; }

    // Skips a UTF-8 byte order mark at the very start, which some programs write.
    void skipByteOrderMark();
    // The first byte that is not a blank or a line end within `lookAhead` bytes, '\0' if
    // there is none; nothing is consumed.
    char firstNonBlank(std::size_t lookAhead);

    // Throws ImportError naming the source, with one problem.
    [[noreturn]] void fail(TextPosition at, std::string message) const;

private:
    // Replaces the consumed buffer by the next chunk; false at the end of the input.
    bool refill();
    // Appends the next chunk to the buffer; false at the end of the input.
    bool extend();

    std::istream& in_;
    std::string source_;
    std::size_t chunkBytes_;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::uint64_t offset_ = 0;
    bool inputEnded_ = false;
    bool readFailed_ = false;
    TextPosition at_;
};

} // namespace valmor::tables
