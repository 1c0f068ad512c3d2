// The battle damage calculator: twelve input boxes, Calculate, four result boxes.
#pragma once

#include <array>

#include "data/battle_estimate.h"

class QLineEdit;

namespace valmor {

struct CalculatorControls {
    std::array<const QLineEdit*, kBattleInputCount> inputs; // in BattleInput order
    std::array<QLineEdit*, kBattleResultCount> results;     // in BattleResult order
};

class BattleCalculator {
public:
    explicit BattleCalculator(const CalculatorControls& controls) : ui_(controls) {}

    void cmdCalculate_Click();

private:
    CalculatorControls ui_;
};

} // namespace valmor
