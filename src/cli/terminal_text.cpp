#include "cli/terminal_text.h"

#include <string_view>

#include "files/message_text.h"

namespace valmor::cli {

namespace {

// The longest UTF-8 sequence: a character starting this far or further from the end of
// the held bytes is complete.
constexpr std::size_t kLongestSequence = 4;

bool continuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

TerminalText::~TerminalText() {
    try {
        finish();
    } catch (...) {
        // The stream's own failure state tells; a destructor may not throw.
    }
}

bool TerminalText::finish() {
    const bool passed = pass(true);
    terminal_.flush();
    return passed && static_cast<bool>(terminal_);
}

TerminalText::int_type TerminalText::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    held_ += traits_type::to_char_type(c);
    return pass(false) ? c : traits_type::eof();
}

std::streamsize TerminalText::xsputn(const char* text, std::streamsize count) {
    held_.append(text, static_cast<std::size_t>(count));
    return pass(false) ? count : 0;
}

int TerminalText::sync() {
    // The character that may go on stays held: a flush comes between any two writes.
    const bool passed = pass(false);
    terminal_.flush();
    return passed && terminal_ ? 0 : -1;
}

bool TerminalText::pass(bool all) {
    std::size_t cut = held_.size();
    if (!all) {
        // A valid sequence never holds a byte that is no continuation byte past its first,
        // so cutting before such a byte escapes the text as escaping it whole would; only
        // a lead byte with fewer bytes after it than the longest sequence waits.
        std::size_t last = held_.size();
        while (last > 0 && continuationByte(held_[last - 1]))
            --last;
        if (last > 0 && static_cast<unsigned char>(held_[last - 1]) >= 0xC0 &&
            held_.size() - (last - 1) < kLongestSequence)
            cut = last - 1;
        // A carriage return may be the first half of a line end.
        if (cut > 0 && held_[cut - 1] == '\r')
            --cut;
    }
    std::string shown;
    std::string_view text(held_.data(), cut);
    for (;;) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        const bool crlf = end != std::string_view::npos && line.ends_with('\r');
        if (crlf)
            line.remove_suffix(1);
        shown += escapeForMessage(line);
        if (end == std::string_view::npos)
            break;
        shown += crlf ? "\r\n" : "\n";
        text.remove_prefix(end + 1);
    }
    held_.erase(0, cut);
    terminal_.write(shown.data(), static_cast<std::streamsize>(shown.size()));
    return static_cast<bool>(terminal_);
}

} // namespace valmor::cli
