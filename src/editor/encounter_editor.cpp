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

} // namespace

EncounterEditor::EncounterEditor(const EncounterControls& controls,
                                 const std::filesystem::path& dataDir)
    : ui_(controls), dataDir_(dataDir),
      inLayoutOrder_(shownFields<EncounterRecord>(kEncounterLayout, *controls.form)),
      inFillOrder_(inFillOrder(inLayoutOrder_)) {}

std::int16_t EncounterEditor::mapNumber() const {
    return checkedAdd16(static_cast<std::int16_t>(ui_.cboMapIndex->currentIndex()), 1);
}

void EncounterEditor::pickMap() {
    encounterRecord_ = readEncounterRecord(dataDir_ / kEncounterFileName, mapNumber(), picked_);
    // Each text set runs the box's change handler at once, so the totals pass through
    // sums that still hold the previous map's later boxes.
    for (const ShownField<EncounterRecord>& shown : inFillOrder_)
        showField(shown, encounterRecord_);
}

void EncounterEditor::updateFrequencyTotal(int) {
    recomputeTotal(ui_.txtTotalFreq, ui_.txtMonFreq);
}

void EncounterEditor::updateMonsterCountTotal(int) {
    recomputeTotal(ui_.txtTotalMon, ui_.txtNOMnum);
}

void EncounterEditor::saveMap() {
    encounterRecord_ = recordOnScreen();
    writeEncounterRecord(dataDir_ / kEncounterFileName, mapNumber(), encounterRecord_, picked_);
}

int EncounterEditor::pickedMap() const {
    return ui_.cboMapIndex->currentIndex() + 1;
}

EncounterRecord EncounterEditor::recordOnScreen(const QWidget** failed) const {
    return takeRecord(inLayoutOrder_, failed);
}

std::vector<const QWidget*> EncounterEditor::watchedControls() const {
    std::vector<const QWidget*> controls = controlsOf(inLayoutOrder_);
    controls.push_back(ui_.cboMapIndex);
    return controls;
}

} // namespace valmor
