#include "game/text_input.h"

#include "files/error.h"
#include "game/conversions.h"

namespace valmor {

namespace {

constexpr std::size_t kChunkBytes = 4096;

bool isBlank(int c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(int c) {
    return c == '\r' || c == '\n';
}

} // namespace

TextScanner::TextScanner(std::string_view text, std::string sourceName)
    : view_(text), sourceName_(std::move(sourceName)) {}

TextScanner::TextScanner(GameFile file, std::string sourceName, std::size_t limit,
                         std::string tooLarge)
    : sourceName_(std::move(sourceName)), file_(std::move(file)), limit_(limit),
      tooLarge_(std::move(tooLarge)) {}

bool TextScanner::refill() {
    if (!file_)
        return false;
    const std::size_t room = limit_ - static_cast<std::size_t>(consumed_);
    // One byte beyond the bound tells a file that ends there from one that goes on.
    chunk_.resize(std::min(kChunkBytes, room + 1));
    const std::size_t got = file_->readAt(
        consumed_, std::span(reinterpret_cast<std::uint8_t*>(chunk_.data()), chunk_.size()));
    if (got > room)
        throw DataError(ErrorKind::FileTooLarge, sourceName_ + " (what it holds runs on past " +
                                                     std::to_string(limit_) +
                                                     " bytes: too large to be " + tooLarge_ + ")");
    chunk_.resize(got);
    consumed_ += static_cast<std::int64_t>(got);
    view_ = chunk_;
    pos_ = 0;
    return got > 0;
}

int TextScanner::peek() {
    if (pos_ >= view_.size() && !refill())
        return -1;
    return static_cast<unsigned char>(view_[pos_]);
}

void TextScanner::advance() {
    const int c = peek();
    ++pos_;
    // A line ends at LF, CRLF or a lone CR.
    if (c == '\n' || (c == '\r' && peek() != '\n'))
        ++line_;
}

void TextScanner::skipBlanks() {
    while (isBlank(peek()))
        advance();
}

void TextScanner::consumeSeparator() {
    const int c = peek();
    if (c == ',') {
        advance();
    } else if (c == '\r') {
        advance();
        if (peek() == '\n')
            advance();
    } else if (c == '\n') {
        advance();
    }
}

void TextScanner::throwPastEnd() const {
    throw DataError(ErrorKind::InputPastEndOfFile, sourceName_);
}

TextToken TextScanner::readNumberToken() {
    while (isBlank(peek()) || isLineEnd(peek()))
        advance();
    if (atEnd())
        throwPastEnd();
    TextToken token{{}, line_};
    for (int c = peek(); c >= 0 && !isBlank(c) && !isLineEnd(c) && c != ','; c = peek()) {
        token.text += static_cast<char>(c);
        advance();
    }
    // Blanks after a number belong to its separator: "1 , 2" is two numbers.
    skipBlanks();
    consumeSeparator();
    return token;
}

double TextScanner::readNumber() {
    const TextToken token = readNumberToken();
    return withSubject(sourceName_ + ", line " + std::to_string(token.line),
                       [&] { return ParseNumber(token.text); });
}

TextField TextScanner::readFieldWithPlace() {
    skipBlanks();
    if (atEnd())
        throwPastEnd();
    TextField field;
    field.line = line_;
    if (peek() == '"') {
        advance();
        for (int c = peek(); c != '"'; c = peek()) {
            if (c < 0) {
                field.quoteClosed = false;
                break;
            }
            field.text += static_cast<char>(c);
            advance();
        }
        field.quoteRunsOn = !field.quoteClosed || line_ != field.line;
        if (field.quoteClosed)
            advance();
        for (int c = peek(); c >= 0 && c != ',' && !isLineEnd(c); c = peek())
            advance();
    } else {
        for (int c = peek(); c >= 0 && c != ',' && !isLineEnd(c); c = peek()) {
            field.text += static_cast<char>(c);
            advance();
        }
        // npos + 1 is 0: a field of blanks only becomes empty.
        field.text.resize(field.text.find_last_not_of(" \t") + 1);
    }
    field.endLine = line_;
    consumeSeparator();
    return field;
}

TextInputFile::TextInputFile(const GamePath& path, std::size_t limit, std::string tooLarge)
    : TextScanner(GameFile::open(path, GameFile::Access::Read), path.filename().string(), limit,
                  std::move(tooLarge)) {}

} // namespace valmor
