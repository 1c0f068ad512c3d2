// The record a feature edits, between its file and its controls: what the picked record's
// controls hold, the snapshot of the file that Save checks, and the values the file holds.
// Every change goes through the main window's undo history: a typed change, a pick and a
// Save are each one step there. The controls are views of the document; they are written
// only through it while it shows a record, so a change it did not make is a typed one.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QList>
#include <QObject>
#include <QString>

#include "files/error.h"
#include "files/record_file.h"

class QComboBox;
class QLineEdit;
class QUndoStack;

namespace valmor {

// What one control holds: a text box its text; a list its selection (-1 for none) and text.
struct FieldValue {
    QString text;
    int position = -1;
    friend bool operator==(const FieldValue&, const FieldValue&) = default;
};

// The values of a record's controls in layout order. Shared until changed, so a pick's step
// and the document hold one copy.
using FieldValues = QList<FieldValue>;

// Everything a pick shows, so that undoing or redoing it shows it again.
struct PickedRecord {
    int listPosition = -1;
    QString listText;
    RecordSnapshot snapshot;
    FieldValues stored;       // the controls as they show what the file holds
    FieldValues values;       // the controls as they are, unsaved edits included
    std::uint64_t readAt = 0; // when the snapshot was taken, in the document's own count
};

class RecordDocument : public QObject {
    Q_OBJECT

public:
    // Draws the picture of the record at a list position (-1: none) when undo or redo
    // shows it again; throws what keeps it from drawing, after drawing what it can.
    using DrawPicture = std::function<void(int position)>;

    // `controls` are the record's controls (text boxes and lists) in layout order; typed
    // changes of control i are merged into one step by the command id `firstId` + i.
    RecordDocument(QUndoStack& history, int firstId, QComboBox* list,
                   std::vector<QWidget*> controls, DrawPicture drawPicture = {});

    const FieldValues& values() const { return shown_.values; }
    // The snapshot Save checks and updates.
    RecordSnapshot& snapshot() { return shown_.snapshot; }
    // True while the values differ from what the file holds.
    bool isModified() const { return shown_.values != shown_.stored; }
    // The control of field i.
    QWidget* control(std::size_t i) const { return controls_[i]; }

    // Takes what the controls show as the document's state, unmodified: after start-up.
    void takeControls();

    // Runs `fill`, which shows a record in the controls, as the document's own writing.
    template <typename Fill> void whileShowing(Fill&& fill) {
        const Showing showing(*this);
        fill();
    }
    // After a pick filled the controls (whileShowing) from a record read with `snapshot`:
    // records the step from the record shown before to what the controls show now.
    void recordPick(RecordSnapshot snapshot);
    // After a Save wrote the values: they are what the file holds; records the step.
    void recordSave();
    // After a write of the record by another part of the editor (the balance window's
    // Apply) filled the controls (whileShowing) from the record read back with `snapshot`:
    // they are what the file holds; records the step, which undo treats as a Save's.
    void recordWritten(RecordSnapshot snapshot);
    // After a pick whose record could not be read: puts the list back on the record the
    // controls still show, so that a Save goes to that record and no other.
    void restoreList();

    // For the commands: shows `record`, or `values` of the record already shown.
    void show(const PickedRecord& record);
    void showValues(const FieldValues& values);
    // For the commands: the value of field i, once typed, now shown again.
    void setValue(std::size_t i, const FieldValue& value, bool writeControl);

    // Throws, once, what kept the last undo or redo from drawing a record's picture: the
    // step itself is done, and the record shows.
    void reportPictureProblem();

signals:
    // The values, or what the file holds, changed.
    void changed();

private:
    class Showing {
    public:
        explicit Showing(RecordDocument& document) : document_(document), was_(document.showing_) {
            document_.showing_ = true;
        }
        ~Showing() { document_.showing_ = was_; }
        Showing(const Showing&) = delete;
        Showing& operator=(const Showing&) = delete;

    private:
        RecordDocument& document_;
        bool was_;
    };

    void controlChanged(std::size_t i);
    FieldValue valueOf(std::size_t i) const;
    void writeControl(std::size_t i, const FieldValue& value);
    FieldValues controlValues() const;

    QUndoStack& history_;
    int firstId_;
    QComboBox* list_;
    std::vector<QWidget*> controls_;
    std::vector<QLineEdit*> boxes_; // controls_[i] as a text box, or null for a list
    DrawPicture drawPicture_;
    std::optional<DataError> pictureProblem_;
    PickedRecord shown_;
    bool showing_ = false;
    std::uint64_t clock_ = 0;
    // The record each Save wrote last, by list position: a pick shown again by undo or
    // redo checks against it when it is newer than the snapshot the pick read.
    std::map<int, PickedRecord> written_;
};

} // namespace valmor
