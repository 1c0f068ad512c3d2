// The monster stats editor: a monster pick shows its sprite and fills the 28 controls from
// its record; Save writes the document's values back. Both walk the record layout table,
// and both are steps of the undo history.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "editor/record_controls.h"
#include "editor/record_document.h"
#include "game/game_folder.h"
#include "game/monster_record.h"

namespace valmor {

class PictureBox;

struct StatsControls {
    QComboBox* cboMonsterList;
    PictureBox* pic1;
    const QWidget* form; // holds the controls named in kMonsterControls
};

class StatsEditor {
public:
    StatsEditor(const StatsControls& controls, const GameDirectory& folder,
                const GameFolderStart& game, QUndoStack& history);

    void pickMonster();
    // The picked monster's record was written by the balance window: shows it as the file
    // holds it now, with a fresh snapshot, as one step of the history.
    void showWritten();
    // A box that does not convert is named in the error, with its text, and gets the focus.
    void saveMonster();

    // The monster a Save would write: its list position, -1 when none is picked.
    int pickedMonster() const;
    // The record the controls hold, converted as Save converts it; throws the conversion's
    // error, after setting `failed` (when given) to the control.
    MonsterRecord recordOnScreen(const QWidget** failed = nullptr) const;
    // The list whose change changes pickedMonster; the document tells of recordOnScreen.
    const QWidget* monsterList() const { return ui_.cboMonsterList; }
    RecordDocument& document() { return document_; }
    const RecordDocument& document() const { return document_; }

private:
    // Shows monster n's sprite and fills the controls from monsterStats_, keeping what did
    // not show for the caller to report.
    void fill(std::int16_t n, std::optional<DataError>& spriteError,
              std::optional<DataError>& missingItem);
    // Draws monster n's sprite in pic1, or nothing for -1; throws what the sprite file
    // keeps from drawing, leaving the picture blank.
    void drawPicture(int n);

    StatsControls ui_;
    const GameDirectory& folder_;
    const GameFolderStart& game_;
    std::vector<ShownField<MonsterRecord>> inLayoutOrder_;
    std::vector<ShownField<MonsterRecord>> inFillOrder_;
    MonsterRecord monsterStats_;
    // The picked record's edits and the snapshot Save writes over.
    RecordDocument document_;
};

} // namespace valmor
