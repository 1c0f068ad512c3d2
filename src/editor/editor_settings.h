// What the editor keeps between runs in QSettings, under the organization and application
// names the program sets at start: the game folders last worked on, and the balance window's
// place, size and colouring. What cannot be read, or makes no sense now (a folder that is
// gone, a window larger than the screen), is ignored.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include <QRect>

#include "editor/balance/heat_colours.h"

namespace valmor {

// The folders last worked on, the latest first, those that are no folder now left out.
std::vector<std::filesystem::path> recentGameFolders();
// Puts `folder` (absolute; its bytes as they are) first among the recent folders.
void noteGameFolderUsed(const std::filesystem::path& folder);

// The balance window's frame as last kept, when it fits within `available` (the screen's
// free area) and is at least `least` in size.
std::optional<QRect> balanceWindowPlace(const QRect& available, const QSize& least);
void keepBalanceWindowPlace(const QRect& place);
std::optional<BalanceMeasure> balanceWindowColouring();
void keepBalanceWindowColouring(BalanceMeasure measure);

} // namespace valmor
