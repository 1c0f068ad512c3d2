#include "balance/balance_what_if.h"

#include <algorithm>

#include "balance/balance_text.h"

namespace valmor {

std::string defeatText(const MapOutcome& outcome) {
    return outcome.defeatPercent ? formatNumber(*outcome.defeatPercent) : std::string();
}

namespace {

bool differsFromSaved(const MapOutcome& saved, const MapOutcome& shown) {
    return verdictText(saved) != verdictText(shown) || defeatText(saved) != defeatText(shown);
}

} // namespace

bool BalanceWhatIf::holds(const std::optional<MonsterEdit>& edit) const {
    return edit && edit->monster < saved_.monsters().size();
}

bool BalanceWhatIf::holds(const std::optional<MapEdit>& edit) const {
    return edit && edit->map < saved_.maps().size();
}

std::vector<MonsterRecord> BalanceWhatIf::shownMonsters() const {
    std::vector<MonsterRecord> monsters = saved_.monsters();
    if (holds(monsterEdit_))
        monsters[monsterEdit_->monster] = monsterEdit_->record;
    return monsters;
}

std::vector<EncounterRecord> BalanceWhatIf::shownMaps() const {
    std::vector<EncounterRecord> maps = saved_.maps();
    if (holds(mapEdit_))
        maps[mapEdit_->map] = mapEdit_->record;
    return maps;
}

std::vector<BalanceCell> BalanceWhatIf::settle(std::vector<BalanceCell> changed) {
    if (shapeMaps_ != mapCount() || shapeProfiles_ != profileCount()) {
        shapeMaps_ = mapCount();
        shapeProfiles_ = profileCount();
        differs_.assign(mapCount() * profileCount(), 0);
        changed.clear();
        for (std::size_t m = 0; m < mapCount(); ++m) {
            for (std::size_t p = 0; p < profileCount(); ++p)
                changed.push_back({m, p});
        }
    } else {
        std::ranges::sort(changed);
        changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    }
    for (const BalanceCell& cell : changed)
        differs_[cell.profile * mapCount() + cell.map] =
            differsFromSaved(saved_.outcome(cell), shown_.outcome(cell)) ? 1 : 0;
    return changed;
}

std::vector<BalanceCell> BalanceWhatIf::setSaved(const std::vector<MonsterRecord>& monsters,
                                                 const std::vector<EncounterRecord>& maps) {
    std::vector<BalanceCell> changed = saved_.setMonsters(monsters);
    const std::vector<BalanceCell> savedMaps = saved_.setMaps(maps);
    changed.insert(changed.end(), savedMaps.begin(), savedMaps.end());
    for (const std::vector<BalanceCell>& cells :
         {shown_.setMonsters(shownMonsters()), shown_.setMaps(shownMaps())})
        changed.insert(changed.end(), cells.begin(), cells.end());
    return settle(std::move(changed));
}

std::vector<BalanceCell> BalanceWhatIf::setProfiles(const std::vector<CharacterProfile>& profiles) {
    std::vector<BalanceCell> changed = saved_.setProfiles(profiles);
    const std::vector<BalanceCell> shown = shown_.setProfiles(profiles);
    changed.insert(changed.end(), shown.begin(), shown.end());
    return settle(std::move(changed));
}

std::vector<BalanceCell> BalanceWhatIf::setMonsterEdit(const std::optional<MonsterEdit>& edit) {
    std::vector<BalanceCell> changed;
    if (holds(monsterEdit_) && (!holds(edit) || edit->monster != monsterEdit_->monster))
        changed =
            shown_.setMonster(monsterEdit_->monster, saved_.monsters()[monsterEdit_->monster]);
    monsterEdit_ = edit;
    if (holds(edit)) {
        const std::vector<BalanceCell> cells = shown_.setMonster(edit->monster, edit->record);
        changed.insert(changed.end(), cells.begin(), cells.end());
    }
    return settle(std::move(changed));
}

std::vector<BalanceCell> BalanceWhatIf::setMapEdit(const std::optional<MapEdit>& edit) {
    std::vector<BalanceCell> changed;
    if (holds(mapEdit_) && (!holds(edit) || edit->map != mapEdit_->map))
        changed = shown_.setMap(mapEdit_->map, saved_.maps()[mapEdit_->map]);
    mapEdit_ = edit;
    if (holds(edit)) {
        const std::vector<BalanceCell> cells = shown_.setMap(edit->map, edit->record);
        changed.insert(changed.end(), cells.begin(), cells.end());
    }
    return settle(std::move(changed));
}

std::vector<BalanceCell> BalanceWhatIf::differences() const {
    std::vector<BalanceCell> cells;
    for (std::size_t m = 0; m < mapCount(); ++m) {
        for (std::size_t p = 0; p < profileCount(); ++p) {
            if (differs({m, p}))
                cells.push_back({m, p});
        }
    }
    return cells;
}

} // namespace valmor
