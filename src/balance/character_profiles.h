// Character profiles as the balance lab reads them from a CSV table (the format of
// valmor-data balance --characters and of the game folder's characters.csv): the columns
// name, level, strength, agility, item_damage, item_defense and hp, one profile a row.
// Shared by valmor-data and the balance window.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "balance/balance.h"

namespace valmor {

// The profiles the balance window reads from the game folder.
inline constexpr const char* kCharactersFileName = "characters.csv";

// The most profiles a heat map shows (the report's, the balance window's): one of more
// rows cannot be read, and its cells would outgrow memory. valmor-data balance takes any
// number.
inline constexpr std::size_t kMostHeatMapProfiles = 200;

// The six values of a profile, in the order of the calculator's boxes.
inline constexpr std::array<std::string_view, 6> kProfileColumns{
    "level", "strength", "agility", "item_damage", "item_defense", "hp"};

// Value `column` (of kProfileColumns) of a profile.
double& profileValue(CharacterProfile& profile, std::size_t column);

// The text without the blanks and tabs at its ends.
std::string_view trimmedBlanks(std::string_view text);

// The whole text (blanks at its ends and a leading '+' allowed) as a finite number, or
// nothing.
std::optional<double> finiteNumberIn(std::string_view text);

// A row without a name is named "L<level>".
std::string levelName(double level);

// The profiles of a CSV table: the columns in any order, others ignored. Throws DataError
// (InvalidPropertyValue) whose subject names `source`, the line and the column of the
// first bad cell, and ImportError for text that is no CSV. A name is kept without the
// blanks at its ends. Two profiles of one name (an unnamed row's "L<level>" included;
// "Hero" and "hero" are two names) are refused at the second's name cell, naming the
// first's line.
std::vector<CharacterProfile> profilesFromCsv(std::string_view text, const std::string& source);

} // namespace valmor
