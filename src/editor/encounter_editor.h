// The encounter editor: a map pick fills the 13 boxes from the map's encounter record and
// keeps the two running totals; Save writes the document's values back. Both walk the record
// layout table, and both are steps of the undo history.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "editor/record_controls.h"
#include "editor/record_document.h"
#include "game/encounter_record.h"

namespace valmor {

struct EncounterControls {
    QComboBox* cboMapIndex;
    QLineEdit* txtTotalFreq;
    QLineEdit* txtTotalMon;
    std::array<QLineEdit*, 5> txtMonFreq;
    std::array<QLineEdit*, 3> txtNOMnum;
    const QWidget* form; // holds the boxes named in kEncounterControls
};

class EncounterEditor {
public:
    EncounterEditor(const EncounterControls& controls, const GameDirectory& folder,
                    QUndoStack& history);

    void pickMap();
    // The selected map's record was written by the balance window: shows it as the file
    // holds it now, with a fresh snapshot, as one step of the history.
    void showWritten();
    void updateFrequencyTotal(int index);
    void updateMonsterCountTotal(int index);
    // A box that does not convert is named in the error, with its text, and gets the focus.
    void saveMap();

    // The map a Save would write, from 1; 0 when none is picked.
    int pickedMap() const;
    // The record the 13 boxes hold, converted as Save converts it; throws the conversion's
    // error, after setting `failed` (when given) to the box.
    EncounterRecord recordOnScreen(const QWidget** failed = nullptr) const;
    // The list whose change changes pickedMap; the document tells of recordOnScreen.
    const QWidget* mapList() const { return ui_.cboMapIndex; }
    RecordDocument& document() { return document_; }
    const RecordDocument& document() const { return document_; }

private:
    std::int16_t mapNumber() const;

    EncounterControls ui_;
    const GameDirectory& folder_;
    std::vector<ShownField<EncounterRecord>> inLayoutOrder_;
    std::vector<ShownField<EncounterRecord>> inFillOrder_;
    EncounterRecord encounterRecord_;
    // The selected map's edits and the snapshot Save writes over.
    RecordDocument document_;
};

} // namespace valmor
