// Sequential reading of a text file: numbers separated by blanks, commas or line ends,
// and comma-separated text fields that may be quoted.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace valmor {

// Reads tokens from text held in memory. Reading past the end raises InputPastEndOfFile,
// naming `sourceName`.
class TextScanner {
public:
    explicit TextScanner(std::string_view text, std::string sourceName = {});

    // The next number token, converted by ParseNumber: a token that is not a number
    // reads as 0. A token ends at a blank, a tab, a comma or a line end.
    double readNumber();

    // The next text field: blanks in front are skipped; an unquoted field runs to the next
    // comma or line end (CR, LF or CRLF) and loses its trailing blanks; a quoted field runs
    // to the closing quote, commas and line breaks included, and whatever follows the
    // closing quote up to the next comma or line end is dropped.
    std::string readField();

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    void skipBlanks();
    // Consumes a comma or one line end (CRLF counts as one) if it comes next.
    void consumeSeparator();
    [[noreturn]] void throwPastEnd() const;

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string sourceName_;
};

// A text file opened for sequential input. The whole file is read at open and the
// handle closed at once; a missing file raises FileNotFound.
class TextInputFile {
public:
    explicit TextInputFile(const std::filesystem::path& path);
    // The scanner looks into contents_, so the object stays where it was built.
    TextInputFile(const TextInputFile&) = delete;
    TextInputFile& operator=(const TextInputFile&) = delete;

    double readNumber() { return scanner_.readNumber(); }
    std::string readField() { return scanner_.readField(); }

private:
    std::string contents_;
    TextScanner scanner_;
};

} // namespace valmor
