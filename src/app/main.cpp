// Program start: build the main window, run its start-up on the game files of the working
// directory, and show it. A start-up error is reported and ends the program unshown.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <QApplication>

#include "data/error.h"
#include "ui/design_fonts.h"
#include "ui/error_report.h"
#include "ui/frm1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VALMOR Monster Editor"));
    valmor::installDesignFontSubstitutes();

    std::error_code cwdError;
    const std::filesystem::path dataDir = std::filesystem::current_path(cwdError);
    valmor::frm1 window(cwdError ? std::filesystem::path(".") : dataDir);
    try {
        window.Form_Load();
    } catch (const valmor::DataError& error) {
        valmor::showCopyableMessage(nullptr, QStringLiteral("VALMOR Monster Editor"),
                                    valmor::errorMessage(error));
        return EXIT_FAILURE;
    } catch (const std::exception& error) {
        valmor::showCopyableMessage(
            nullptr, QStringLiteral("VALMOR Monster Editor"),
            valmor::errorMessage(valmor::DataError(valmor::ErrorKind::Internal, error.what())));
        return EXIT_FAILURE;
    }
    window.show();
    return QApplication::exec();
}
