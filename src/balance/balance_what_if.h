// The balance of the saved files and, beside it, the balance with unsaved edits in place of
// the stored records: one monster and one map as an editor's boxes hold them. Both are kept
// up to date one change at a time; a cell whose verdict or chance of defeat differs
// between the two is one that the edits change.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "balance/balance_model.h"

namespace valmor {

struct MonsterEdit {
    std::size_t monster = 0; // the record's index in the stats file
    MonsterRecord record;
};

struct MapEdit {
    std::size_t map = 0; // the record's index in the encounter file: map map + 1
    EncounterRecord record;
};

class BalanceWhatIf {
public:
    // Each setter gives the cells to show anew: those whose outcome with the edits changed
    // and those that began or ceased to differ from the saved files; every cell when the
    // number of maps or profiles changed.
    std::vector<BalanceCell> setSaved(const std::vector<MonsterRecord>& monsters,
                                      const std::vector<EncounterRecord>& maps);
    // Throws as BalanceModel::setProfiles does, changing nothing.
    std::vector<BalanceCell> setProfiles(const std::vector<CharacterProfile>& profiles);
    // An edit of a record the files do not hold is left out, as no edit.
    std::vector<BalanceCell> setMonsterEdit(const std::optional<MonsterEdit>& edit);
    std::vector<BalanceCell> setMapEdit(const std::optional<MapEdit>& edit);

    const BalanceModel& saved() const { return saved_; }
    const BalanceModel& shown() const { return shown_; }
    std::size_t mapCount() const { return shown_.maps().size(); }
    std::size_t profileCount() const { return shown_.profiles().size(); }

    // Whether the edits change the cell's verdict or chance of defeat (as the numbers are
    // written: to 6 significant digits).
    bool differs(BalanceCell cell) const {
        return differs_[cell.profile * mapCount() + cell.map] != 0;
    }
    // Those cells, ordered by map then profile.
    std::vector<BalanceCell> differences() const;

private:
    std::vector<MonsterRecord> shownMonsters() const;
    std::vector<EncounterRecord> shownMaps() const;
    bool holds(const std::optional<MonsterEdit>& edit) const;
    bool holds(const std::optional<MapEdit>& edit) const;
    // Merges the changed cells of both models, updates their marks and adds those whose
    // mark changed; every cell when the table's shape changed.
    std::vector<BalanceCell> settle(std::vector<BalanceCell> changed);

    BalanceModel saved_;
    BalanceModel shown_;
    std::optional<MonsterEdit> monsterEdit_;
    std::optional<MapEdit> mapEdit_;
    std::vector<char> differs_; // per profile, per map
    std::size_t shapeMaps_ = 0;
    std::size_t shapeProfiles_ = 0;
};

// The verdict and chance of defeat of a cell as the difference is judged: "risky", "4.2".
std::string defeatText(const MapOutcome& outcome);

} // namespace valmor
