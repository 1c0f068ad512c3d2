// The balance model's outcomes as text, the same wherever they are shown: the rows of
// valmor-data balance, the report, and the balance window's copied table.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "balance/balance.h"

namespace valmor {

// Up to 6 significant digits, the decimal point whatever the locale; -0 as 0.
std::string formatNumber(double value);

// A share from 0 to 1 as "33%", to 6 significant digits.
std::string percentText(double share);

// A percentage in a narrow cell or a short line: whole numbers from 10 % up, one decimal
// from 1 %, two significant digits below, and "<0.01%" for a chance that is not 0.
std::string shortPercent(double percent);

// "error (monster 12: Overflow)" names the failing monster; the rest are plain words.
std::string verdictText(const MapOutcome& outcome);

// The counting monsters as "number:chance%" pairs, separated by ';'.
std::string monstersText(const MapOutcome& outcome);

// A map's group, hits, exp, gold, damage, damage % and worst %, as text; empty where the
// verdict leaves them unknown.
std::array<std::string, 7> outcomeNumbers(const MapOutcome& outcome);

// The columns of a row per map and profile.
inline constexpr std::array<std::string_view, 12> kMapColumns{
    "map",  "profile", "monsters",   "group",     "hits",    "exp",
    "gold", "damage",  "damage_pct", "worst_pct", "verdict", "defeat_pct"};

// Whether a column of kMapColumns holds text (the others hold numbers or nothing).
inline constexpr bool isTextColumn(std::size_t column) {
    return column == 1 || column == 2 || column == 10;
}

// The cells of the row of one map and profile, in the order of kMapColumns.
std::array<std::string, kMapColumns.size()> mapRowCells(const MapOutcome& outcome,
                                                        std::string_view profile);

} // namespace valmor
