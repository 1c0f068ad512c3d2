#include "editor/record_document.h"

#include <QComboBox>
#include <QLineEdit>
#include <QUndoStack>

#include "editor/pick_list.h"
#include "editor/picture_box.h"
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
                               std::vector<QWidget*> controls, PictureBox* picture)
    : QObject(list), history_(history), firstId_(firstId), list_(list),
      controls_(std::move(controls)), picture_(picture) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const auto changed = [this, i] { controlChanged(i); };
        if (auto* box = qobject_cast<QLineEdit*>(controls_[i])) {
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
    if (picture_ != nullptr)
        shown_.picture = picture_->image();
    emit changed();
}

FieldValue RecordDocument::valueOf(std::size_t i) const {
    if (const auto* box = qobject_cast<const QLineEdit*>(controls_[i]))
        return {box->text(), -1};
    return listValue(static_cast<const QComboBox*>(controls_[i]));
}

std::vector<FieldValue> RecordDocument::controlValues() const {
    std::vector<FieldValue> values;
    values.reserve(controls_.size());
    for (std::size_t i = 0; i < controls_.size(); ++i)
        values.push_back(valueOf(i));
    return values;
}

void RecordDocument::writeControl(std::size_t i, const FieldValue& value) {
    const Showing showing(*this);
    if (auto* box = qobject_cast<QLineEdit*>(controls_[i])) {
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
    if (now == shown_.values[i])
        return;
    history_.push(new TypedChange(*this, firstId_ + static_cast<int>(i), i, shown_.values[i],
                                  std::move(now)));
}

void RecordDocument::setValue(std::size_t i, const FieldValue& value, bool write) {
    shown_.values[i] = value;
    if (write)
        writeControl(i, value);
    emit changed();
}

void RecordDocument::recordPick(PickedRecord before, RecordSnapshot snapshot) {
    PickedRecord after;
    after.listPosition = list_->currentIndex();
    after.listText = list_->currentText();
    after.snapshot = std::move(snapshot);
    after.values = controlValues();
    after.stored = after.values;
    if (picture_ != nullptr)
        after.picture = picture_->image();
    after.readAt = ++clock_;
    shown_ = after;
    history_.push(new PickStep(*this, std::move(before), std::move(after)));
    emit changed();
}

void RecordDocument::recordSave() {
    std::vector<FieldValue> before = shown_.stored;
    shown_.stored = shown_.values;
    shown_.readAt = ++clock_;
    written_[shown_.listPosition] = shown_;
    history_.push(new SaveStep(*this, std::move(before), shown_.values));
    emit changed();
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
        if (picture_ != nullptr)
            picture_->showImage(record.picture);
        for (std::size_t i = 0; i < controls_.size(); ++i)
            writeControl(i, record.values[i]);
    }
    shown_ = record;
    // A Save of this record since it was read: the file holds what that Save wrote.
    const auto saved = written_.find(record.listPosition);
    if (saved != written_.end() && saved->second.readAt > record.readAt) {
        shown_.snapshot = saved->second.snapshot;
        shown_.stored = saved->second.stored;
        shown_.readAt = saved->second.readAt;
    }
    emit changed();
}

void RecordDocument::showValues(const std::vector<FieldValue>& values) {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        writeControl(i, values[i]);
    shown_.values = values;
    emit changed();
}

} // namespace valmor
