// The controls that show a record's fields, found by the design names in the record's table
// of controls (field_controls.h), and the way each kind of control shows a field and gives it
// back.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <vector>

#include <QComboBox>
#include <QLineEdit>

#include "editor/control_caption.h"
#include "editor/field_controls.h"
#include "editor/pick_list.h"
#include "editor/record_document.h"
#include "editor/record_text.h"
#include "game/conversions.h"
#include "game/record_layout.h"

namespace valmor {

template <typename Record> struct ShownField {
    const RecordField<Record>* field;
    const FieldControlRow* how;
    QWidget* control;
};

// Every field of `layout` that has a row in `rows`, with its control, in layout order.
template <typename Record, typename Layout, std::size_t N>
std::vector<ShownField<Record>>
shownFields(const Layout& layout, const std::array<FieldControlRow, N>& rows, const QWidget& form) {
    std::vector<ShownField<Record>> shown;
    for (const RecordField<Record>& field : layout) {
        const auto row = std::ranges::find(rows, field.name, &FieldControlRow::field);
        if (row == rows.end())
            continue;
        const QString name = QString::fromLatin1(row->control.data(), row->control.size());
        QWidget* control = row->shownAs == FieldControl::ListPosition
                               ? static_cast<QWidget*>(form.findChild<QComboBox*>(name))
                               : form.findChild<QLineEdit*>(name);
        if (control == nullptr)
            throw std::logic_error("the form has no control " + name.toStdString());
        shown.push_back({&field, &*row, control});
    }
    return shown;
}

// The same fields in the order the editor fills their controls.
template <typename Record>
std::vector<ShownField<Record>> inFillOrder(std::vector<ShownField<Record>> shown) {
    std::ranges::sort(shown, {}, [](const ShownField<Record>& s) { return s.how->fillStep; });
    return shown;
}

// Shows the field of `record` in its control; false when a list lacks the stored position.
template <typename Record> bool showField(const ShownField<Record>& shown, Record& record) {
    const RecordField<Record>& field = *shown.field;
    switch (shown.how->shownAs) {
    case FieldControl::FixedText:
        showText(static_cast<QLineEdit*>(shown.control), recordTextToDisplay(*field.text(record)));
        break;
    case FieldControl::Number:
    case FieldControl::WholeNumber:
        showText(static_cast<QLineEdit*>(shown.control),
                 QString::fromStdString(FormatInt(*field.int16(record))));
        break;
    case FieldControl::ListPosition:
        return PickList::select(static_cast<QComboBox*>(shown.control), *field.int16(record));
    }
    return true;
}

// Sets the field of `record` from the value its control holds; throws the conversion's
// error. A list whose text was typed has no selection and gives -1, even when the text
// matches an entry.
template <typename Record>
void takeField(const ShownField<Record>& shown, const FieldValue& value, Record& record) {
    const RecordField<Record>& field = *shown.field;
    switch (shown.how->shownAs) {
    case FieldControl::FixedText:
        *field.text(record) = fixedWidth(displayToRecordText(value.text), field.width);
        break;
    case FieldControl::Number:
        *field.int16(record) = ToInt16(ParseNumber(numberText(value.text)));
        break;
    case FieldControl::WholeNumber:
        *field.int16(record) = TextToInt16(numberText(value.text));
        break;
    case FieldControl::ListPosition:
        *field.int16(record) = static_cast<std::int16_t>(value.position);
        break;
    }
}

// The record `values` hold, the value of fields[i] at i, each converted by takeField in
// layout order; throws the first conversion's error, after setting `failed` (when given)
// to its position.
template <typename Record>
Record takeRecord(const std::vector<ShownField<Record>>& fields, const FieldValues& values,
                  std::size_t* failed = nullptr) {
    Record record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        try {
            takeField(fields[i], values.at(static_cast<qsizetype>(i)), record);
        } catch (...) {
            if (failed != nullptr)
                *failed = i;
            throw;
        }
    }
    return record;
}

// The record the document's values hold; throws the first conversion's error, after setting
// `failed` (when given) to that field's control.
template <typename Record>
Record recordOf(const std::vector<ShownField<Record>>& fields, const RecordDocument& document,
                const QWidget** failed = nullptr) {
    std::size_t at = 0;
    try {
        return takeRecord(fields, document.values(), &at);
    } catch (...) {
        if (failed != nullptr)
            *failed = document.control(at);
        throw;
    }
}

// The record a Save writes. A box that does not convert is named in the error by its caption,
// with its text, and gets the focus, so the user sees what to mend.
template <typename Record>
Record savedRecord(const std::vector<ShownField<Record>>& fields, const RecordDocument& document) {
    std::size_t at = 0;
    try {
        return takeRecord(fields, document.values(), &at);
    } catch (const DataError& error) {
        QWidget* control = document.control(at);
        control->setFocus(Qt::OtherFocusReason);
        throw namingControl(error, *control, document.values().at(static_cast<qsizetype>(at)).text);
    }
}

// The controls of `fields`.
template <typename Record>
std::vector<QWidget*> controlsOf(const std::vector<ShownField<Record>>& fields) {
    std::vector<QWidget*> controls;
    for (const ShownField<Record>& shown : fields)
        controls.push_back(shown.control);
    return controls;
}

} // namespace valmor
