// Where a run of the window tests keeps HOME and the editor's settings (ui_test_main.cpp).
#pragma once

#include <filesystem>

namespace valmor::test {

// HOME and XDG_CONFIG_HOME (its ".config") for the run: nothing may appear there.
std::filesystem::path testHome();
// Where QSettings keeps the settings the run writes.
std::filesystem::path testSettingsFolder();

} // namespace valmor::test
