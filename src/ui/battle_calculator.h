// The battle damage calculator: twelve input boxes, Calculate, four result boxes.
#pragma once

#include <array>

#include <QLineEdit>

#include "data/battle_estimate.h"
#include "ui/record_text.h"

namespace valmor {

struct CalculatorControls {
    std::array<const QLineEdit*, kBattleInputCount> inputs; // in BattleInput order
    std::array<QLineEdit*, kBattleResultCount> results;     // in BattleResult order
};

class BattleCalculator {
public:
    explicit BattleCalculator(const CalculatorControls& controls) : ui_(controls) {}

    // Each box is read when its step needs it and each result shown before the next step.
    void cmdCalculate_Click() {
        estimateBattle(
            [&](BattleInput in) { return numberIn(ui_.inputs[static_cast<std::size_t>(in)]); },
            [&](BattleResult out, const std::string& text) {
                showText(ui_.results[static_cast<std::size_t>(out)], QString::fromStdString(text));
            });
    }

private:
    CalculatorControls ui_;
};

} // namespace valmor
