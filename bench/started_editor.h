// The editor's main window after its start-up on a folder, with any error it reports
// thrown, so a benchmark never measures a message box.
#pragma once

#include <filesystem>
#include <memory>

#include "editor/main_window.h"

namespace valmor::bench {

class ThrowingErrorReport : public ErrorReport {
public:
    void show(const DataError& error) override { throw error; }
};

inline std::unique_ptr<MainWindow> startedEditor(const std::filesystem::path& dir) {
    auto window = std::make_unique<MainWindow>(dir);
    window->setErrorReport(std::make_unique<ThrowingErrorReport>());
    window->loadGameFolder();
    return window;
}

} // namespace valmor::bench
