// A main window built from fixture files in a temporary directory, with a recorder in
// place of the modal error box and of the program's end.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLineEdit>

#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "main_window_test_view.h"
#include "support/temp_dir.h"

// Lets failing expectations show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace valmor::test {

class RecordingErrorReport : public ErrorReport {
public:
    explicit RecordingErrorReport(std::vector<DataError>& errors) : errors_(errors) {}
    void show(const DataError& error) override { errors_.push_back(error); }

private:
    std::vector<DataError>& errors_;
};

// Palette level of index i: red i % 64, green (i / 4) % 64, blue 63 - i % 64.
std::string fixturePalette();
// The colour a pixel byte is drawn in, as the picture box stores it.
QRgb fixtureColour(std::uint8_t byte);
// Sprite n: byte (n + 1 + r + c) % 256 on a border-free pattern, 0 in the top-left 10 x 10.
std::uint8_t fixturePixel(int n, int column, int row);
Bytes fixtureSprites(int count);
std::string fixtureItems(int count);
MonsterRecord fixtureMonster(int n);

class EditorTest : public TempDirTest {
protected:
    // Writes a complete set of fixture files; tests change them before start().
    void SetUp() override;
    // Builds the window and runs its start-up; start-up errors fail the test.
    void start();
    // Builds the window and runs its start-up, returning the start-up error, if any.
    std::optional<DataError> startExpectingError();

    // Picks entry `position` as a user would, which runs the list's pick handler.
    static void pick(QComboBox* list, int position);
    // Types into a text box as a user would, replacing its text.
    static void type(QLineEdit* box, const QString& text);

    Bytes monstersFile() const { return readBytes(file(kMonsterFileName)); }
    Bytes encounterFile() const { return readBytes(file(kEncounterFileName)); }
    // The kinds of the errors reported so far, in order.
    std::vector<ErrorKind> errorKinds() const {
        std::vector<ErrorKind> kinds;
        for (const DataError& error : errors)
            kinds.push_back(error.kind());
        return kinds;
    }

    // Builds the window and its test view, without start-up.
    void build();

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowTestView> view;
    std::vector<DataError> errors;
    int programEnds = 0;
};

// The started window on screen and active, for tests of keyboard focus and shortcuts.
class ShownEditorTest : public EditorTest {
protected:
    void SetUp() override;
};

} // namespace valmor::test
