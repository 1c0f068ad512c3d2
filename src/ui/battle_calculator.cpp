#include "battle_calculator.h"

#include <QLineEdit>

#include "ui/record_text.h"

namespace valmor {

void BattleCalculator::cmdCalculate_Click() {
    // Each box is read when its step needs it and each result shown before the next step.
    estimateBattle(
        [&](BattleInput in) { return numberIn(ui_.inputs[static_cast<std::size_t>(in)]); },
        [&](BattleResult out, const std::string& text) {
            showText(ui_.results[static_cast<std::size_t>(out)], QString::fromStdString(text));
        });
}

} // namespace valmor
