// Runs the window tests inside one QApplication on the platform named by
// QT_QPA_PLATFORM (offscreen in CI).
#include <gtest/gtest.h>

#include <QApplication>

#include "editor/design_fonts.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    valmor::installDesignFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
