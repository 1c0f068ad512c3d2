#include "editor/encounter_editor.h"

#include "game/checked_float.h"
#include "game/checked_int.h"

namespace valmor {

namespace {

// The running total goes through the total box's own text after every addition.
template <std::size_t N>
void recomputeTotal(QLineEdit* total, const std::array<QLineEdit*, N>& boxes) {
    total->setText(QStringLiteral("0"));
    for (const QLineEdit* box : boxes) {
        const double t = numberIn(total);
        const double v = numberIn(box);
        total->setText(QString::fromStdString(FormatDouble(checkedAdd(v, t))));
    }
}

// Typing into map field i merges into the step of id kFirstTypingId + i; the monster
// fields' ids lie below.
constexpr int kFirstTypingId = 1001;

} // namespace

EncounterEditor::EncounterEditor(const EncounterControls& controls, const GameDirectory& folder,
                                 QUndoStack& history)
    : ui_(controls), folder_(folder), inLayoutOrder_(shownFields<EncounterRecord>(
                                          kEncounterLayout, kEncounterControls, *controls.form)),
      inFillOrder_(inFillOrder(inLayoutOrder_)),
      document_(history, kFirstTypingId, controls.cboMapIndex, controlsOf(inLayoutOrder_)) {}

std::int16_t EncounterEditor::mapNumber() const {
    return checkedAdd16(static_cast<std::int16_t>(ui_.cboMapIndex->currentIndex()), 1);
}

void EncounterEditor::pickMap() {
    RecordSnapshot snapshot;
    // Should the record fail, the window still shows the previous map, in the list too.
    try {
        encounterRecord_ =
            readEncounterRecord(folder_.file(kEncounterFileName), mapNumber(), snapshot);
    } catch (...) {
        document_.restoreList();
        throw;
    }
    // Each text set runs the box's change handler at once, so the totals pass through
    // sums that still hold the previous map's later boxes.
    document_.whileShowing([this] {
        for (const ShownField<EncounterRecord>& shown : inFillOrder_)
            showField(shown, encounterRecord_);
    });
    document_.recordPick(std::move(snapshot));
}

void EncounterEditor::showWritten() {
    RecordSnapshot snapshot;
    encounterRecord_ = readEncounterRecord(folder_.file(kEncounterFileName), mapNumber(), snapshot);
    document_.whileShowing([this] {
        for (const ShownField<EncounterRecord>& shown : inFillOrder_)
            showField(shown, encounterRecord_);
    });
    document_.recordWritten(std::move(snapshot));
}

void EncounterEditor::updateFrequencyTotal(int) {
    recomputeTotal(ui_.txtTotalFreq, ui_.txtMonFreq);
}

void EncounterEditor::updateMonsterCountTotal(int) {
    recomputeTotal(ui_.txtTotalMon, ui_.txtNOMnum);
}

void EncounterEditor::saveMap() {
    encounterRecord_ = savedRecord(inLayoutOrder_, document_);
    writeEncounterRecord(folder_.file(kEncounterFileName), mapNumber(), encounterRecord_,
                         document_.snapshot());
    document_.recordSave();
}

int EncounterEditor::pickedMap() const {
    return ui_.cboMapIndex->currentIndex() + 1;
}

EncounterRecord EncounterEditor::recordOnScreen(const QWidget** failed) const {
    return recordOf(inLayoutOrder_, document_, failed);
}

} // namespace valmor
