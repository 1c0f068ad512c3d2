// Program start: read the command line, build the main window, run its start-up on the game
// files of the folder given (or of the working directory), and show it, with the balance
// window beside it when asked. A start-up error is reported and ends the program unshown.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QApplication>

#include "app/start_arguments.h"
#include "editor/design_fonts.h"
#include "editor/error_report.h"
#include "editor/main_window.h"

namespace {

const QString kTitle = QStringLiteral("VALMOR Monster Editor");

void write(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char* argv[]) {
    using Outcome = valmor::StartArguments::Outcome;
    // A relative folder is taken from the working directory as it is named, ".", so that no
    // absolute path is ever needed: one may be longer than the system takes.
    const std::filesystem::path workingDir(".");
    // --help and --version answer before the window system is reached, so they work without
    // a display. The full reading follows once QApplication has taken out its own options.
    if (const valmor::StartArguments early =
            valmor::readStartArguments(valmor::commandLine(argc, argv), workingDir);
        early.outcome == Outcome::Print) {
        write(stdout, early.text);
        return EXIT_SUCCESS;
    }

    QApplication app(argc, argv);
    // QSettings keeps the editor's settings under these names.
    QApplication::setOrganizationName(QStringLiteral("VALMOR"));
    QApplication::setApplicationName(kTitle);
    QApplication::setApplicationVersion(QStringLiteral(VALMOR_VERSION));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VALMOR_DESKTOP_ID));
    valmor::installDesignFontSubstitutes();

    const valmor::StartArguments start =
        valmor::readStartArguments(valmor::commandLine(argc, argv), workingDir);
    switch (start.outcome) {
    case Outcome::Print:
        write(stdout, start.text);
        return EXIT_SUCCESS;
    case Outcome::UsageError:
        write(stderr, start.text);
        return 2;
    case Outcome::FolderError:
        valmor::showCopyableMessage(nullptr, kTitle, start.text);
        return EXIT_FAILURE;
    case Outcome::Run:
        break;
    }

    // The window opens the game folder once, one name at a time, and opens every game file
    // in it; the working directory never changes. A folder that cannot be searched opens
    // all the same, and the first file read says why it fails.
    valmor::MainWindow window(start.dataDir);
    // A start-up error is reported like any other, then ends the program unshown.
    bool loaded = false;
    valmor::MessageBoxErrorReport report(nullptr);
    valmor::guarded(report, [&] {
        window.loadGameFolder();
        loaded = true;
    });
    if (!loaded)
        return EXIT_FAILURE;
    window.show();
    if (start.openBalance)
        valmor::guarded(report, [&] { window.openBalanceWindow(); });
    return QApplication::exec();
}
