// The balance window's words: a cell described (for the tooltip and the cell cursor), the
// cells that unsaved edits change, where the picked monster counts, and the whole table as
// tab-separated text. Names from the game files and the profiles are escaped for messages.
#pragma once

#include <string>

#include <QString>

#include "balance/balance_what_if.h"
#include "balance/targets.h"

namespace valmor {

// Map, profile, verdict, damage share, worst case, defeat chance and the monsters with
// their chances and names, one thing a line; what the saved files give when the edits
// change the cell.
QString cellDescription(const BalanceWhatIf& table, BalanceCell cell);

// How a cell stands against its band: "target 0-10%, now 21%", with ", proposed 8%" when a
// proposal's outcome is given; "no target band" for a cell that has none.
QString targetLine(const std::optional<TargetBand>& band, const MapOutcome& now,
                   const MapOutcome* proposed);

// "Unsaved edits change 3 cells: map 12, L5: safe -> risky, defeat 0% -> 4.2%; ...", the
// first few cells in map order; empty when the edits change none.
QString changesLine(const BalanceWhatIf& table);

// "Orc Grunt (monster 13) counts in 29 of 268 maps: 83 (33%), 12 (25%), ...", the most
// likely first.
QString monsterLine(const BalanceModel& model, int monster);

// The table as valmor-data balance writes it, with a tab between cells: a header line,
// then a line per map and profile, by map then profile. A tab or line end inside a text
// (a profile's name) becomes a blank.
std::string tableAsTabSeparated(const BalanceModel& model);

// A name from a game file (ISO-8859-1, padded with blanks) as a message shows it.
QString storedName(std::string_view latin1);
// A UTF-8 text from outside (a profile's name, a path) as a message shows it.
QString shownText(std::string_view utf8);

} // namespace valmor
