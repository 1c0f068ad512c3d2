// What the user picks and types in the main window, for a window that follows it (the
// balance window): a signal when the picked monster's boxes, the selected map's boxes or
// the calculator's character boxes change, and what they hold, converted as Save and
// Calculate convert them. The main window makes it when it is first needed; the features
// it reads do not know it.
#pragma once

#include <optional>

#include <QObject>
#include <QString>

#include "balance/balance_what_if.h"
#include "editor/control_caption.h"
#include "game/change_list.h"

namespace valmor {

class BattleCalculator;
class EncounterEditor;
class StatsEditor;

// What a group of boxes holds, or why it holds nothing usable: the box that does not
// convert, named by its caption, and the error.
template <typename Value> struct OnScreen {
    std::optional<Value> value;
    QString problem; // empty when the boxes convert
};

class EditorActivity : public QObject {
    Q_OBJECT

public:
    EditorActivity(const StatsEditor& stats, const EncounterEditor& encounter,
                   const BattleCalculator& calculator, QObject* parent);

    // The monster a Save would write, -1 for none.
    int pickedMonster() const;
    // The picked monster and selected map whose boxes hold unsaved edits, as "monster 9,
    // map 12"; empty when none does.
    QString unsavedRecords() const;
    // Those of the picked monster and selected map that hold unsaved edits and that
    // `changes` change, as unsavedRecords names them; empty when none does.
    QString unsavedAmong(const std::vector<RecordChange>& changes) const;
    // The picked monster's record as its boxes hold it; nothing when none is picked.
    OnScreen<MonsterEdit> monster() const;
    // The selected map's record as its 13 boxes hold it; nothing when none is picked.
    OnScreen<MapEdit> map() const;
    // The calculator's character, named "On screen"; nothing while a box is blank.
    OnScreen<CharacterProfile> character() const;

    // A Save wrote a record.
    void noteSave() { emit saved(); }
    // The balance window wrote `changes` into the files: the editors show what they hold
    // now, then the window reads them again.
    void noteWritten(const std::vector<RecordChange>& changes) {
        emit recordsWritten(changes);
        emit saved();
    }
    // Asks the main window to pick `map` (from 1) in its map list, as the user would.
    void pickMap(int map) { emit mapPickRequested(map); }

signals:
    void monsterChanged();
    void mapChanged();
    void characterChanged();
    void saved();
    void recordsWritten(const std::vector<RecordChange>& changes);
    void mapPickRequested(int map);

private:
    const StatsEditor& stats_;
    const EncounterEditor& encounter_;
    const BattleCalculator& calculator_;
};

} // namespace valmor
