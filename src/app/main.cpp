// Program start: read the command line, build the main window, run its start-up on the game
// files of the folder given (or of the working directory), and show it. A start-up error is
// reported and ends the program unshown.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <QApplication>
#include <QFile>

#include "app/start_arguments.h"
#include "ui/design_fonts.h"
#include "ui/error_report.h"
#include "ui/frm1.h"

namespace {

const QString kTitle = QStringLiteral("VALMOR Monster Editor");

std::filesystem::path workingDirectory() {
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : dir;
}

QStringList commandLine(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    return arguments;
}

void write(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char* argv[]) {
    using Outcome = valmor::StartArguments::Outcome;
    const std::filesystem::path workingDir = workingDirectory();
    // --help and --version answer before the window system is reached, so they work without
    // a display. The full reading follows once QApplication has taken out its own options.
    if (const valmor::StartArguments early =
            valmor::readStartArguments(commandLine(argc, argv), workingDir);
        early.outcome == Outcome::Print) {
        write(stdout, early.text);
        return EXIT_SUCCESS;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(kTitle);
    QApplication::setApplicationVersion(QStringLiteral(VALMOR_VERSION));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VALMOR_DESKTOP_ID));
    valmor::installDesignFontSubstitutes();

    const valmor::StartArguments start =
        valmor::readStartArguments(QApplication::arguments(), workingDir);
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

    valmor::frm1 window(start.dataDir);
    // A start-up error is reported like any other, then ends the program unshown.
    bool loaded = false;
    valmor::MessageBoxErrorReport report(nullptr);
    valmor::guarded(report, [&] {
        window.Form_Load();
        loaded = true;
    });
    if (!loaded)
        return EXIT_FAILURE;
    window.show();
    return QApplication::exec();
}
