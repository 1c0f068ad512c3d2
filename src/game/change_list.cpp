// Placeholder until the change list reader and writer land: names only.
#include "game/change_list.h"

#include <algorithm>
#include <tuple>

#include "files/error.h"

namespace valmor {

std::string_view changedFileName(ChangedFile file) {
    return file == ChangedFile::Monsters ? kMonsterFileName : kEncounterFileName;
}

std::string_view changedFieldName(const RecordChange& change) {
    return change.file == ChangedFile::Monsters ? kMonsterLayout[change.field].name
                                                : kEncounterLayout[change.field].name;
}

std::optional<std::size_t> numberFieldIndex(ChangedFile file, std::string_view name) {
    const auto find = [&](const auto& layout) -> std::optional<std::size_t> {
        for (std::size_t f = 0; f < layout.size(); ++f) {
            if (layout[f].name == name && layout[f].kind == FieldKind::Int16)
                return f;
        }
        return std::nullopt;
    };
    return file == ChangedFile::Monsters ? find(kMonsterLayout) : find(kEncounterLayout);
}

bool changeListOrder(const RecordChange& a, const RecordChange& b) {
    return std::tie(a.file, a.record, a.field) < std::tie(b.file, b.record, b.field);
}

void applyChanges(const std::vector<RecordChange>& changes, std::vector<MonsterRecord>& monsters,
                  std::vector<EncounterRecord>& maps) {
    for (const RecordChange& change : changes) {
        if (change.file == ChangedFile::Monsters)
            *kMonsterLayout[change.field].int16(
                monsters.at(static_cast<std::size_t>(change.record))) = change.newValue;
        else
            *kEncounterLayout[change.field].int16(
                maps.at(static_cast<std::size_t>(change.record - 1))) = change.newValue;
    }
}

} // namespace valmor

namespace valmor {

std::string changeListCsv(const std::vector<RecordChange>& changes) {
    std::string text = "file,record,field,old,new\n";
    for (const RecordChange& change : changes)
        text += std::string(changedFileName(change.file)) + ',' + std::to_string(change.record) +
                ',' + std::string(changedFieldName(change)) + ',' +
                std::to_string(change.oldValue) + ',' + std::to_string(change.newValue) + '\n';
    return text;
}

} // namespace valmor
