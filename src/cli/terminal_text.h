// Standard output on a terminal: outside text (a monster's or a profile's name in a table)
// may hold control characters that a terminal acts on, so there every line is shown as
// messages show it. To a file or a pipe the bytes go out exactly as written.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace valmor::cli {

// A stream buffer that writes to `terminal` what is written to it, each line escaped by
// escapeForMessage: line ends ("\n" and "\r\n") stay, every other control character, C1
// control and byte that is no part of valid UTF-8 becomes \xNN. A character cut between
// two writes is held until it is complete, so the result does not depend on how the text
// was cut into writes.
class TerminalText : public std::streambuf {
public:
    explicit TerminalText(std::ostream& terminal) : terminal_(terminal) {}
    TerminalText(const TerminalText&) = delete;
    TerminalText& operator=(const TerminalText&) = delete;
    ~TerminalText() override;

    // Writes what is held, a character cut short at the end included; false when the
    // terminal's stream failed.
    bool finish();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    // Escapes and writes the held bytes, up to the last character that may still go on
    // unless `all`.
    bool pass(bool all);

    std::ostream& terminal_;
    std::string held_;
};

} // namespace valmor::cli
