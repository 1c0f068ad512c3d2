#include "editor/record_document.h"

#include <utility>

#include <QComboBox>
#include <QLineEdit>
#include <QUndoStack>

#include "editor/pick_list.h"
#include "editor/record_commands.h"
#include "editor/record_text.h"

namespace valmor {

namespace {

FieldValue listValue(const QComboBox* list) {
    return {list->currentText(), list->currentIndex()};
}

void showInList(QComboBox* list, const FieldValue& value) {
    if (value.position >= 0 && PickList::select(list, value.position))
        return;
    list->setCurrentIndex(-1);
    list->setEditText(value.text);
}

} // namespace

RecordDocument::RecordDocument(QUndoStack& history, int firstId, QComboBox* list,
                               std::vector<QWidget*> controls, DrawPicture drawPicture)
    : QObject(list), history_(history), firstId_(firstId), list_(list),
      controls_(std::move(controls)), drawPicture_(std::move(drawPicture)) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const auto changed = [this, i] { controlChanged(i); };
        boxes_.push_back(qobject_cast<QLineEdit*>(controls_[i]));
        if (QLineEdit* box = boxes_.back()) {
            connect(box, &QLineEdit::textChanged, this, changed);
        } else if (auto* field = qobject_cast<QComboBox*>(controls_[i])) {
            connect(field, &QComboBox::currentIndexChanged, this, changed);
            connect(field, &QComboBox::editTextChanged, this, changed);
        }
    }
    takeControls();
}

void RecordDocument::takeControls() {
    shown_.listPosition = list_->currentIndex();
    shown_.listText = list_->currentText();
    shown_.values = controlValues();
    shown_.stored = shown_.values;
    emit changed();
}

FieldValue RecordDocument::valueOf(std::size_t i) const {
    if (const QLineEdit* box = boxes_[i])
        return {box->text(), -1};
    return listValue(static_cast<const QComboBox*>(controls_[i]));
}

FieldValues RecordDocument::controlValues() const {
    FieldValues values;
    values.reserve(static_cast<qsizetype>(controls_.size()));
    for (std::size_t i = 0; i < controls_.size(); ++i)
        values.push_back(valueOf(i));
    return values;
}

void RecordDocument::writeControl(std::size_t i, const FieldValue& value) {
    const Showing showing(*this);
    if (QLineEdit* box = boxes_[i]) {
        if (box->text() != value.text)
            showText(box, value.text);
    } else {
        showInList(static_cast<QComboBox*>(controls_[i]), value);
    }
}

void RecordDocument::controlChanged(std::size_t i) {
    if (showing_)
        return;
    FieldValue now = valueOf(i);
    const FieldValue& was = shown_.values.at(static_cast<qsizetype>(i));
    if (now == was)
        return;
    history_.push(new TypedChange(*this, firstId_ + static_cast<int>(i), i, was, std::move(now)));
}

void RecordDocument::setValue(std::size_t i, const FieldValue& value, bool write) {
    shown_.values[static_cast<qsizetype>(i)] = value;
    if (write)
        writeControl(i, value);
    emit changed();
}

void RecordDocument::recordPick(RecordSnapshot snapshot) {
    PickedRecord before = std::move(shown_);
    shown_ = PickedRecord{list_->currentIndex(),
                          list_->currentText(),
                          std::move(snapshot),
                          controlValues(),
                          {},
                          ++clock_};
    shown_.values = shown_.stored;
    history_.push(new PickStep(*this, std::move(before), shown_));
    emit changed();
}

void RecordDocument::recordSave() {
    FieldValues before = shown_.stored;
    shown_.stored = shown_.values;
    shown_.readAt = ++clock_;
    written_[shown_.listPosition] = shown_;
    history_.push(new SaveStep(*this, std::move(before), shown_.values));
    emit changed();
}

void RecordDocument::recordWritten(RecordSnapshot snapshot) {
    FieldValues before = shown_.values;
    shown_.values = controlValues();
    shown_.stored = shown_.values;
    shown_.snapshot = std::move(snapshot);
    shown_.readAt = ++clock_;
    written_[shown_.listPosition] = shown_;
    history_.push(new SaveStep(*this, std::move(before), shown_.values));
    emit changed();
}

void RecordDocument::restoreList() {
    const Showing showing(*this);
    if (shown_.listPosition >= 0) {
        PickList::select(list_, shown_.listPosition);
    } else {
        list_->setCurrentIndex(-1);
        list_->setEditText(shown_.listText);
    }
}

void RecordDocument::show(const PickedRecord& record) {
    {
        const Showing showing(*this);
        if (record.listPosition >= 0)
            PickList::select(list_, record.listPosition);
        else {
            list_->setCurrentIndex(-1);
            list_->setEditText(record.listText);
        }
        for (std::size_t i = 0; i < controls_.size(); ++i)
            writeControl(i, record.values.at(static_cast<qsizetype>(i)));
    }
    shown_ = record;
    if (drawPicture_) {
        try {
            drawPicture_(record.listPosition);
        } catch (const DataError& error) {
            pictureProblem_ = error;
        }
    }
    // A Save of this record since it was read: the file holds what that Save wrote.
    const auto saved = written_.find(record.listPosition);
    if (saved != written_.end() && saved->second.readAt > record.readAt) {
        shown_.snapshot = saved->second.snapshot;
        shown_.stored = saved->second.stored;
        shown_.readAt = saved->second.readAt;
    }
    emit changed();
}

void RecordDocument::reportPictureProblem() {
    if (std::optional<DataError> problem = std::exchange(pictureProblem_, std::nullopt))
        throw *problem;
}

void RecordDocument::showValues(const FieldValues& values) {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        writeControl(i, values.at(static_cast<qsizetype>(i)));
    shown_.values = values;
    emit changed();
}

} // namespace valmor
