#include "text_input.h"

#include <cerrno>
#include <cstdio>

#include "conversions.h"
#include "error.h"
#include "file_handle.h"

namespace valmor {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string readWholeFile(const std::filesystem::path& path) {
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw fileError(errno, path);
    std::string contents;
    char buffer[8192];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        contents.append(buffer, got);
        if (got < sizeof buffer) {
            if (std::ferror(file.get()))
                throw fileError(errno, path);
            break;
        }
    }
    return contents;
}

} // namespace

TextScanner::TextScanner(std::string_view text, std::string sourceName)
    : text_(text), sourceName_(std::move(sourceName)) {}

void TextScanner::skipBlanks() {
    while (!atEnd() && isBlank(text_[pos_]))
        ++pos_;
}

void TextScanner::consumeSeparator() {
    if (atEnd())
        return;
    if (text_[pos_] == ',') {
        ++pos_;
    } else if (text_[pos_] == '\r') {
        ++pos_;
        if (!atEnd() && text_[pos_] == '\n')
            ++pos_;
    } else if (text_[pos_] == '\n') {
        ++pos_;
    }
}

void TextScanner::throwPastEnd() const {
    throw DataError(ErrorKind::InputPastEndOfFile, sourceName_);
}

double TextScanner::readNumber() {
    while (!atEnd() && (isBlank(text_[pos_]) || isLineEnd(text_[pos_])))
        ++pos_;
    if (atEnd())
        throwPastEnd();
    const std::size_t start = pos_;
    while (!atEnd() && !isBlank(text_[pos_]) && !isLineEnd(text_[pos_]) && text_[pos_] != ',')
        ++pos_;
    const std::string_view token = text_.substr(start, pos_ - start);
    // Blanks after a number belong to its separator: "1 , 2" is two numbers.
    skipBlanks();
    consumeSeparator();
    return ParseNumber(token);
}

std::string TextScanner::readField() {
    skipBlanks();
    if (atEnd())
        throwPastEnd();
    std::string field;
    if (text_[pos_] == '"') {
        const std::size_t close = text_.find('"', pos_ + 1);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close;
        field.assign(text_.substr(pos_ + 1, end - pos_ - 1));
        pos_ = close == std::string_view::npos ? text_.size() : close + 1;
        while (!atEnd() && text_[pos_] != ',' && !isLineEnd(text_[pos_]))
            ++pos_;
    } else {
        const std::size_t start = pos_;
        while (!atEnd() && text_[pos_] != ',' && !isLineEnd(text_[pos_]))
            ++pos_;
        std::size_t end = pos_;
        while (end > start && isBlank(text_[end - 1]))
            --end;
        field.assign(text_.substr(start, end - start));
    }
    consumeSeparator();
    return field;
}

TextInputFile::TextInputFile(const std::filesystem::path& path)
    : contents_(readWholeFile(path)), scanner_(contents_, path.filename().string()) {}

} // namespace valmor
