// The main window's icon, drawn in code: a small green monster.
#pragma once

#include <QIcon>

namespace valmor {

QIcon makeWindowIcon();

} // namespace valmor
