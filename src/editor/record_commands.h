// The undo steps of a record document: a typed change of one control, a pick, a Save.
#pragma once

#include <QUndoCommand>

#include "editor/record_document.h"

namespace valmor {

// A typed change; further typing into the same control merges into it.
class TypedChange : public QUndoCommand {
public:
    TypedChange(RecordDocument& document, int id, std::size_t field, FieldValue before,
                FieldValue after);
    void undo() override;
    void redo() override;
    int id() const override { return id_; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    RecordDocument& document_;
    int id_;
    std::size_t field_;
    FieldValue before_;
    FieldValue after_;
    bool shown_ = true; // the control shows `after_` already when pushed
};

// A pick of another record; undo shows the record left, with its unsaved edits.
class PickStep : public QUndoCommand {
public:
    PickStep(RecordDocument& document, PickedRecord before, PickedRecord after);
    void undo() override { document_.show(before_); }
    void redo() override;

private:
    RecordDocument& document_;
    PickedRecord before_;
    PickedRecord after_;
    bool shown_ = true;
};

// A Save; undo shows the values the file held before it as unsaved edits, and writes nothing.
class SaveStep : public QUndoCommand {
public:
    SaveStep(RecordDocument& document, FieldValues before, FieldValues after);
    void undo() override { document_.showValues(before_); }
    void redo() override;

private:
    RecordDocument& document_;
    FieldValues before_;
    FieldValues after_;
    bool shown_ = true;
};

} // namespace valmor
