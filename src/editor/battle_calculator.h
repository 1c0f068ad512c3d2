// The battle damage calculator: twelve input boxes, Calculate, four result boxes.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QLineEdit>

#include "balance/balance.h"
#include "balance/battle_estimate.h"
#include "editor/record_text.h"

namespace valmor {

struct CalculatorControls {
    std::array<const QLineEdit*, kBattleInputCount> inputs; // in BattleInput order
    std::array<QLineEdit*, kBattleResultCount> results;     // in BattleResult order
};

class BattleCalculator {
public:
    explicit BattleCalculator(const CalculatorControls& controls) : ui_(controls) {}

    // Each box is read when its step needs it and each result shown before the next step.
    void calculate() {
        estimateBattle(
            [&](BattleInput in) { return numberIn(ui_.inputs[static_cast<std::size_t>(in)]); },
            [&](BattleResult out, const std::string& text) {
                showText(ui_.results[static_cast<std::size_t>(out)], QString::fromStdString(text));
            });
    }

    // The character's six values as Calculate reads them, unnamed; nothing while a box is
    // blank. Throws the conversion's error, after setting `failed` (when given) to the box.
    std::optional<CharacterProfile> characterOnScreen(const QWidget** failed = nullptr) const {
        CharacterProfile character;
        // In BattleInput order, the character's first.
        double* values[kCharacterInputs] = {&character.level,       &character.strength,
                                            &character.agility,     &character.itemDamage,
                                            &character.itemDefense, &character.hp};
        for (std::size_t i = 0; i < std::size(values); ++i) {
            if (ui_.inputs[i]->text().trimmed().isEmpty())
                return std::nullopt;
        }
        for (std::size_t i = 0; i < std::size(values); ++i) {
            try {
                *values[i] = numberIn(ui_.inputs[i]);
            } catch (...) {
                if (failed != nullptr)
                    *failed = ui_.inputs[i];
                throw;
            }
        }
        return character;
    }

    // The six character boxes.
    std::vector<const QWidget*> characterControls() const {
        return {ui_.inputs.begin(), ui_.inputs.begin() + kCharacterInputs};
    }

private:
    static constexpr std::size_t kCharacterInputs =
        static_cast<std::size_t>(BattleInput::CharacterHp) + 1;

    CalculatorControls ui_;
};

} // namespace valmor
