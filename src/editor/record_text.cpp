#include "editor/record_text.h"

#include <QLineEdit>

#include "game/conversions.h"

namespace valmor {

namespace {

constexpr char16_t kControlPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

bool isStorable(QChar c) {
    const char16_t u = c.unicode();
    return u <= 0xFF || (u >= kControlPictures && u < kControlPictures + 0x20) ||
           u == kDeletePicture;
}

} // namespace

QString recordTextToDisplay(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b < 0x20)
            text += QChar(static_cast<char16_t>(kControlPictures + b));
        else if (b == 0x7F)
            text += QChar(kDeletePicture);
        else
            text += QChar(static_cast<char16_t>(b));
    }
    return text;
}

std::string displayToRecordText(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= kControlPictures && u < kControlPictures + 0x20)
            bytes += static_cast<char>(u - kControlPictures);
        else if (u == kDeletePicture)
            bytes += '\x7F';
        else if (u <= 0xFF)
            bytes += static_cast<char>(u);
        else
            bytes += '?'; // unreachable through the validator; never drop a character
    }
    return bytes;
}

QValidator::State RecordTextValidator::validate(QString& input, int&) const {
    for (const QChar c : input) {
        if (!isStorable(c))
            return Invalid;
    }
    return Acceptable;
}

std::string numberText(const QString& text) {
    return text.toStdString();
}

double numberIn(const QLineEdit* box) {
    return ParseNumber(numberText(box->text()));
}

void showText(QLineEdit* box, const QString& text) {
    // A box that shows this text from its start already, untouched since, is left as it is:
    // setting it again would change nothing but cost a layout and the accessibility events
    // of a cursor move, in most boxes of most picks.
    if (box->text() == text && box->cursorPosition() == 0 && !box->hasSelectedText() &&
        !box->isModified() && !box->isUndoAvailable() && !box->isRedoAvailable())
        return;
    box->setText(text);
    box->setCursorPosition(0);
}

} // namespace valmor
