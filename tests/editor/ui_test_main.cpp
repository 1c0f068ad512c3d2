// Runs the window tests inside one QApplication on the platform named by
// QT_QPA_PLATFORM (offscreen in CI). A run never reads or writes the user's own settings:
// HOME and the configuration folder point into a folder of the run's own, and QSettings
// keeps the editor's settings in another one (testSettingsFolder).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include "editor/design_fonts.h"
#include "settings_isolation.h"

namespace valmor::test {

namespace {

std::filesystem::path runFolder;

} // namespace

std::filesystem::path testHome() {
    return runFolder / "home";
}

std::filesystem::path testSettingsFolder() {
    return runFolder / "settings";
}

} // namespace valmor::test

int main(int argc, char* argv[]) {
    using namespace valmor::test;
    std::string pattern = (std::filesystem::temp_directory_path() / "valmor-ui-run-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr)
        return EXIT_FAILURE;
    runFolder = pattern;
    std::filesystem::create_directory(testHome());
    std::filesystem::create_directory(testSettingsFolder());
    ::setenv("HOME", testHome().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (testHome() / ".config").c_str(), 1);
    QStandardPaths::setTestModeEnabled(true);
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope,
                           QString::fromStdString(testSettingsFolder().string()));

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = EXIT_FAILURE;
    {
        QApplication app(argc, argv);
        // As the program names them, so the settings land where its own would.
        QApplication::setOrganizationName(QStringLiteral("VALMOR"));
        QApplication::setApplicationName(QStringLiteral("VALMOR Monster Editor"));
        valmor::installDesignFontSubstitutes();
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(runFolder, ignored);
    return result;
}
