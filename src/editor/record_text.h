// Texts of the record files in text boxes. A stored text is ISO-8859-1 bytes; control
// bytes are shown as the matching Unicode control pictures (U+2400 to U+241F, U+2421 for
// DEL) so that they are visible and go back to the file unchanged.
#pragma once

#include <string>
#include <string_view>

#include <QString>
#include <QValidator>

class QLineEdit;

namespace valmor {

QString recordTextToDisplay(std::string_view bytes);
std::string displayToRecordText(const QString& text);

// Accepts only what displayToRecordText can store: ISO-8859-1 and the control pictures.
class RecordTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// A control text for the number conversions, which look at ASCII characters only.
std::string numberText(const QString& text);
// The number a box holds, as ParseNumber reads its text.
double numberIn(const QLineEdit* box);

// Sets a box's text and shows its start, as a text longer than the box is read from the left.
void showText(QLineEdit* box, const QString& text);

} // namespace valmor
