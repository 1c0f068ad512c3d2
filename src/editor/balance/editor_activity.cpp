#include "editor/balance/editor_activity.h"

#include <algorithm>

#include <QComboBox>
#include <QLineEdit>

#include "editor/battle_calculator.h"
#include "editor/encounter_editor.h"
#include "editor/stats_editor.h"

namespace valmor {

namespace {

// Calls `changed` whenever one of `controls` changes what it holds.
template <typename Signal>
void follow(const std::vector<const QWidget*>& controls, EditorActivity* activity, Signal changed) {
    for (const QWidget* control : controls) {
        if (const auto* box = qobject_cast<const QLineEdit*>(control)) {
            QObject::connect(box, &QLineEdit::textChanged, activity, changed);
        } else if (const auto* list = qobject_cast<const QComboBox*>(control)) {
            QObject::connect(list, &QComboBox::currentIndexChanged, activity, changed);
            QObject::connect(list, &QComboBox::editTextChanged, activity, changed);
        }
    }
}

// Converts the boxes with `take`; a conversion error names the box instead.
template <typename Value, typename Take> OnScreen<Value> converted(Take&& take) {
    const QWidget* failed = nullptr;
    try {
        return {take(&failed), {}};
    } catch (const DataError& error) {
        return {std::nullopt,
                QStringLiteral("%1: %2").arg(captionOf(failed), QString::fromUtf8(error.what()))};
    }
}

} // namespace

EditorActivity::EditorActivity(const StatsEditor& stats, const EncounterEditor& encounter,
                               const BattleCalculator& calculator, QObject* parent)
    : QObject(parent), stats_(stats), encounter_(encounter), calculator_(calculator) {
    // The documents tell of every typed change, undo, redo, pick and Save; the lists of a
    // pick that could not read its record.
    follow({stats.monsterList()}, this, &EditorActivity::monsterChanged);
    follow({encounter.mapList()}, this, &EditorActivity::mapChanged);
    connect(&stats.document(), &RecordDocument::changed, this, &EditorActivity::monsterChanged);
    connect(&encounter.document(), &RecordDocument::changed, this, &EditorActivity::mapChanged);
    follow(calculator.characterControls(), this, &EditorActivity::characterChanged);
}

QString EditorActivity::unsavedRecords() const {
    QStringList records;
    if (stats_.pickedMonster() >= 0 && stats_.document().isModified())
        records.append(QStringLiteral("monster %1").arg(stats_.pickedMonster()));
    if (encounter_.pickedMap() >= 1 && encounter_.document().isModified())
        records.append(QStringLiteral("map %1").arg(encounter_.pickedMap()));
    return records.join(QStringLiteral(", "));
}

QString EditorActivity::unsavedAmong(const std::vector<RecordChange>& changes) const {
    const auto changed = [&](ChangedFile file, int record) {
        return std::ranges::any_of(changes, [&](const RecordChange& change) {
            return change.file == file && change.record == record;
        });
    };
    QStringList records;
    const int monster = stats_.pickedMonster();
    if (monster >= 0 && stats_.document().isModified() && changed(ChangedFile::Monsters, monster))
        records.append(QStringLiteral("monster %1").arg(monster));
    const int map = encounter_.pickedMap();
    if (map >= 1 && encounter_.document().isModified() && changed(ChangedFile::Encounters, map))
        records.append(QStringLiteral("map %1").arg(map));
    return records.join(QStringLiteral(", "));
}

int EditorActivity::pickedMonster() const {
    return stats_.pickedMonster();
}

OnScreen<MonsterEdit> EditorActivity::monster() const {
    const int n = stats_.pickedMonster();
    if (n < 0)
        return {};
    return converted<MonsterEdit>([&](const QWidget** failed) {
        return MonsterEdit{static_cast<std::size_t>(n), stats_.recordOnScreen(failed)};
    });
}

OnScreen<MapEdit> EditorActivity::map() const {
    const int m = encounter_.pickedMap();
    if (m < 1)
        return {};
    return converted<MapEdit>([&](const QWidget** failed) {
        return MapEdit{static_cast<std::size_t>(m - 1), encounter_.recordOnScreen(failed)};
    });
}

OnScreen<CharacterProfile> EditorActivity::character() const {
    return converted<CharacterProfile>(
        [&](const QWidget** failed) -> std::optional<CharacterProfile> {
            std::optional<CharacterProfile> character = calculator_.characterOnScreen(failed);
            if (character && !(character->hp > 0)) {
                // The shares of HP would mean nothing.
                *failed = calculator_.characterControls().back();
                throw DataError(ErrorKind::InvalidPropertyValue, "must be above 0");
            }
            if (character)
                character->name = "On screen";
            return character;
        });
}

} // namespace valmor
