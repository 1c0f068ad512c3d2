#include "game/tables/text_stream.h"

#include <string_view>

#include "game/tables/import_error.h"

namespace valmor::tables {

constexpr const char* kReadFailed = "reading the input failed; the table was read up to here";

TextStream::TextStream(std::istream& in, std::string source, std::size_t chunkBytes)
    : in_(in), source_(std::move(source)), chunkBytes_(chunkBytes > 0 ? chunkBytes : 1) {}

void TextStream::advance() {
    if (atEnd())
        return;
    const char c = buffer_[pos_++];
    ++offset_;
    if (c == '\n' || (c == '\r' && peek() != '\n')) {
        ++at_.line;
        at_.column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
        // UTF-8 continuation bytes belong to the character before them.
        ++at_.column;
    }
}

void TextStream::skipByteOrderMark() {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (offset_ != 0)
        return;
    while (buffer_.size() - pos_ < 4 && extend()) {
    }
    const std::string_view start = std::string_view(buffer_).substr(pos_);
    if (start.starts_with(kMark)) {
        pos_ += kMark.size();
        offset_ += kMark.size();
        return;
    }
    // A table saved as UTF-16 or UTF-32 reads as a zero byte every other character; say
    // what it is rather than list every column as unknown. Its mark, or a zero byte among
    // the first two, gives it away: no table starts with one.
    using namespace std::string_view_literals;
    const char* encoding =
        start.starts_with("\xFF\xFE\0\0"sv) || start.starts_with("\0\0\xFE\xFF"sv) ? "UTF-32"
        : start.starts_with("\xFF\xFE") || (start.size() >= 2 && start[1] == '\0')
            ? "UTF-16 (little-endian)"
        : start.starts_with("\xFE\xFF") || (start.size() >= 2 && start[0] == '\0')
            ? "UTF-16 (big-endian)"
            : nullptr;
    if (encoding != nullptr)
        fail(at_, std::string("the table is ") + encoding + "; save it as UTF-8");
}

char TextStream::firstNonBlank(std::size_t lookAhead) {
    for (std::size_t i = pos_; i - pos_ < lookAhead; ++i) {
        if (i == buffer_.size() && !extend())
            return '\0';
        const char c = buffer_[i];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c;
    }
    return '\0';
}

void TextStream::fail(TextPosition at, std::string message) const {
    throw ImportError(source_, {{at, std::move(message)}});
}

bool TextStream::refill() {
    buffer_.clear();
    pos_ = 0;
    return extend();
}

bool TextStream::extend() {
    // A failed read is reported where the bytes read before it run out. (A stream may
    // lose the bytes of the read that failed, so the table may end a little before.)
    if (readFailed_)
        fail(at_, kReadFailed);
    if (inputEnded_)
        return false;
    const std::size_t old = buffer_.size();
    buffer_.resize(old + chunkBytes_);
    in_.read(buffer_.data() + old, static_cast<std::streamsize>(chunkBytes_));
    const auto got = static_cast<std::size_t>(in_.gcount());
    buffer_.resize(old + got);
    readFailed_ = in_.bad();
    if (readFailed_ && got == 0)
        fail(at_, kReadFailed);
    if (got < chunkBytes_)
        inputEnded_ = true;
    return got > 0;
}

} // namespace valmor::tables
