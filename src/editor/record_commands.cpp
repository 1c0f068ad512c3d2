#include "editor/record_commands.h"

namespace valmor {

TypedChange::TypedChange(RecordDocument& document, int id, std::size_t field, FieldValue before,
                         FieldValue after)
    : document_(document), id_(id), field_(field), before_(std::move(before)),
      after_(std::move(after)) {}

void TypedChange::undo() {
    document_.setValue(field_, before_, true);
}

void TypedChange::redo() {
    document_.setValue(field_, after_, !shown_);
    shown_ = false;
}

bool TypedChange::mergeWith(const QUndoCommand* other) {
    // Only typing into the same control reaches here: the id is the control's.
    after_ = static_cast<const TypedChange*>(other)->after_;
    setObsolete(after_ == before_);
    return true;
}

PickStep::PickStep(RecordDocument& document, PickedRecord before, PickedRecord after)
    : document_(document), before_(std::move(before)), after_(std::move(after)) {}

void PickStep::redo() {
    if (!shown_)
        document_.show(after_);
    shown_ = false;
}

SaveStep::SaveStep(RecordDocument& document, FieldValues before, FieldValues after)
    : document_(document), before_(std::move(before)), after_(std::move(after)) {}

void SaveStep::redo() {
    if (!shown_)
        document_.showValues(after_);
    shown_ = false;
}

} // namespace valmor
