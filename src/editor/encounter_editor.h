// The encounter editor: a map pick fills the 13 boxes from the map's encounter record and
// keeps the two running totals; Save writes the boxes back. Both walk the record layout table.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "editor/record_controls.h"
#include "game/encounter_record.h"

namespace valmor {

struct EncounterControls {
    QComboBox* cboMapIndex;
    QLineEdit* txtTotalFreq;
    QLineEdit* txtTotalMon;
    std::array<QLineEdit*, 5> txtMonFreq;
    std::array<QLineEdit*, 3> txtNOMnum;
    const QWidget* form; // holds the boxes named in kEncounterLayout
};

class EncounterEditor {
public:
    EncounterEditor(const EncounterControls& controls, const std::filesystem::path& dataDir);

    void pickMap();
    void updateFrequencyTotal(int index);
    void updateMonsterCountTotal(int index);
    void saveMap();

    // The map a Save would write, from 1; 0 when none is picked.
    int pickedMap() const;
    // The record the 13 boxes hold, converted as Save converts it; throws the conversion's
    // error, after setting `failed` (when given) to the box.
    EncounterRecord recordOnScreen(const QWidget** failed = nullptr) const;
    // The controls whose change changes pickedMap or recordOnScreen.
    std::vector<const QWidget*> watchedControls() const;

private:
    std::int16_t mapNumber() const;

    EncounterControls ui_;
    const std::filesystem::path& dataDir_;
    std::vector<ShownField<EncounterRecord>> inLayoutOrder_;
    std::vector<ShownField<EncounterRecord>> inFillOrder_;
    EncounterRecord encounterRecord_;
    // The picked record as the file held it, or as last saved: Save writes only over that.
    RecordSnapshot picked_;
};

} // namespace valmor
