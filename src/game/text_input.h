// Sequential reading of a text file: numbers separated by blanks, commas or line ends,
// and comma-separated text fields that may be quoted. A file is read in small chunks and
// only as far as the reader asks, within a bound.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "files/game_file.h"

namespace valmor {

// The most a text game file is read for: far more than 768 palette levels or 100 item names
// take, far less than would hurt.
inline constexpr std::size_t kTextFileLimit = 1 << 20;

// A number token as written, and the line (from 1) it stands on.
struct TextToken {
    std::string text;
    int line = 0;
};

// A text field, the line it starts on and the line it ends on.
struct TextField {
    std::string text;
    int line = 0;
    int endLine = 0;
    // A quoted field whose closing quote is not on its first line, or missing altogether:
    // the name runs on over the following lines.
    bool quoteRunsOn = false;
    bool quoteClosed = true;
};

// Reads tokens from text held in memory or from an open file. Reading past the end raises
// InputPastEndOfFile, naming `sourceName`.
class TextScanner {
public:
    explicit TextScanner(std::string_view text, std::string sourceName = {});
    // Reads `file` in chunks. Needing more than `limit` bytes raises FileTooLarge, naming the
    // file and `tooLarge` (what the file would have to be, for example "a palette").
    TextScanner(GameFile file, std::string sourceName, std::size_t limit, std::string tooLarge);
    // The scanner looks into its own chunk buffer, so it stays where it was built.
    TextScanner(const TextScanner&) = delete;
    TextScanner& operator=(const TextScanner&) = delete;

    // The next number token, converted by ParseNumber: a token that is not a number
    // reads as 0. A token ends at a blank, a tab, a comma or a line end.
    double readNumber();
    // The next number token as written.
    TextToken readNumberToken();

    // The next text field: blanks in front are skipped; an unquoted field runs to the next
    // comma or line end (CR, LF or CRLF) and loses its trailing blanks; a quoted field runs
    // to the closing quote, commas and line breaks included, and whatever follows the
    // closing quote up to the next comma or line end is dropped.
    std::string readField() { return readFieldWithPlace().text; }
    TextField readFieldWithPlace();

    const std::string& sourceName() const { return sourceName_; }

private:
    // The current byte, or -1 at the end of the text.
    int peek();
    void advance();
    bool refill();
    bool atEnd() { return peek() < 0; }
    void skipBlanks();
    // Consumes a comma or one line end (CRLF counts as one) if it comes next.
    void consumeSeparator();
    [[noreturn]] void throwPastEnd() const;

    std::string_view view_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::string sourceName_;
    // Reading from a file: the chunk in view_, and the bound.
    std::optional<GameFile> file_;
    std::string chunk_;
    std::int64_t consumed_ = 0;
    std::size_t limit_ = 0;
    std::string tooLarge_;
};

// A text file opened for sequential input, read within `limit` bytes; a missing file raises
// FileNotFound, and anything but a regular file is refused.
class TextInputFile : public TextScanner {
public:
    TextInputFile(const GamePath& path, std::size_t limit = kTextFileLimit,
                  std::string tooLarge = "a text file of the game");
};

} // namespace valmor
