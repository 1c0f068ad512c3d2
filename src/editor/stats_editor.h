// The monster stats editor: a monster pick shows its sprite and fills the 28 controls from
// its record; Save writes the controls back. Both walk the record layout table.
#pragma once

#include <filesystem>
#include <vector>

#include "editor/record_controls.h"
#include "game/game_folder.h"
#include "game/monster_record.h"

namespace valmor {

class PictureBox;

struct StatsControls {
    QComboBox* cboMonsterList;
    PictureBox* pic1;
    const QWidget* form; // holds the controls named in kMonsterLayout
};

class StatsEditor {
public:
    StatsEditor(const StatsControls& controls, const std::filesystem::path& dataDir,
                const GameFolderStart& game);

    void pickMonster();
    void saveMonster();

    // The monster a Save would write: its list position, -1 when none is picked.
    int pickedMonster() const;
    // The record the controls hold, converted as Save converts it; throws the conversion's
    // error, after setting `failed` (when given) to the control.
    MonsterRecord recordOnScreen(const QWidget** failed = nullptr) const;
    // The controls whose change changes pickedMonster or recordOnScreen.
    std::vector<const QWidget*> watchedControls() const;

private:
    StatsControls ui_;
    const std::filesystem::path& dataDir_;
    const GameFolderStart& game_;
    std::vector<ShownField<MonsterRecord>> inLayoutOrder_;
    std::vector<ShownField<MonsterRecord>> inFillOrder_;
    MonsterRecord monsterStats_;
    // The picked record as the file held it, or as last saved: Save writes only over that.
    RecordSnapshot picked_;
};

} // namespace valmor
