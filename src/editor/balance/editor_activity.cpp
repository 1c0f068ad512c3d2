#include "editor/balance/editor_activity.h"

#include <QAccessible>
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

QString captionOf(const QWidget* control) {
    if (control == nullptr)
        return QStringLiteral("a box");
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control));
    const QString name = accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
    return name.isEmpty() ? control->objectName() : name;
}

EditorActivity::EditorActivity(const StatsEditor& stats, const EncounterEditor& encounter,
                               const BattleCalculator& calculator, QObject* parent)
    : QObject(parent), stats_(stats), encounter_(encounter), calculator_(calculator) {
    follow(stats.watchedControls(), this, &EditorActivity::monsterChanged);
    follow(encounter.watchedControls(), this, &EditorActivity::mapChanged);
    follow(calculator.characterControls(), this, &EditorActivity::characterChanged);
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
