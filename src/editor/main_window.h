// The editor's main window: a thin view that lays out the form and hands each control's
// events to its feature (stats editor, encounter editor, calculator, preview pages) inside
// one error guard.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include <QPointer>
#include <QUndoStack>
#include <QWidget>

#include "editor/error_report.h"
#include "game/game_folder.h"

namespace Ui {
class MainWindow;
}

namespace valmor {

class BalanceWindow;
class BattleCalculator;
class EditorActivity;
class EncounterEditor;
class PreviewPages;
class StatsEditor;
struct EncounterControls;

class MainWindow : public QWidget {
    Q_OBJECT

public:
    // Works on the five game files in `dataDir`.
    explicit MainWindow(std::filesystem::path dataDir, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Replaces the modal message box, for tests.
    void setErrorReport(std::unique_ptr<ErrorReport> report);
    // What Exit does; by default it closes every window and leaves the event loop with 0.
    void setProgramEnd(std::function<void()> end);

    // Start-up: palette, colour table, sprite count and the four lists. Throws the first
    // error, naming the file concerned; the caller then ends the program.
    void loadGameFolder();
    // What the Exit button does: ends the program (setProgramEnd).
    void exitProgram();

    // Opens the balance window beside this one (F9), or raises it when it is open. Nothing
    // of it exists before the first call.
    void openBalanceWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class MainWindowTestView; // the controls by design name, for tests

    void applyDesignFonts();
    void nameListTextBoxes();
    // Runs each feature's handler inside the one error guard, so no error crosses the event
    // loop; a handler called directly lets its errors through.
    void connectHandlers(const EncounterControls& encounter);
    // Tells a window that follows the editor that a Save wrote a record.
    void noteSave();
    // The title's modified mark: shown while the picked monster or map has unsaved edits.
    void showModifiedMark();
    void placeBeside(QWidget& other) const;
    void endProgram();

    std::unique_ptr<Ui::MainWindow> ui_;
    std::filesystem::path dataDir_;
    GameFolderStart game_;
    std::unique_ptr<ErrorReport> errorReport_;
    std::function<void()> programEnd_;
    // Typed changes, picks and Saves of both editors, in the order they were made.
    QUndoStack history_;
    std::unique_ptr<StatsEditor> stats_;
    std::unique_ptr<EncounterEditor> encounter_;
    std::unique_ptr<BattleCalculator> calculator_;
    std::unique_ptr<PreviewPages> previews_;
    // Made at the first F9: what the features report for the balance window, and the window,
    // which deletes itself when closed.
    EditorActivity* activity_ = nullptr;
    QPointer<BalanceWindow> balance_;
};

} // namespace valmor
