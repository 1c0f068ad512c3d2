// The editor's main window: a thin view that lays out the form and hands each control's
// events to its feature (stats editor, encounter editor, calculator, preview pages) inside
// one error guard. It opens its game folder once and every feature opens the game files in
// that open folder, so a rename or a swap of the folder's path does not move its writes; Ctrl+O
// opens another one.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include <QPointer>
#include <QUndoStack>
#include <QWidget>

#include "editor/error_report.h"
#include "editor/folder_prompts.h"
#include "game/change_list.h"
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
    // Works on the five game files in `dataDir` (empty: the working directory), opened by
    // loadGameFolder.
    explicit MainWindow(std::filesystem::path dataDir, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Replaces the modal message box, for tests.
    void setErrorReport(std::unique_ptr<ErrorReport> report);
    // What Exit does; by default it closes every window and leaves the event loop with 0.
    void setProgramEnd(std::function<void()> end);
    // Replaces the question about unsaved edits and the folder dialog of Ctrl+O, for tests.
    void setFolderPrompts(FolderPrompts prompts);

    // Start-up: opens the folder, then palette, colour table, sprite count and the four lists.
    // Throws the first error, naming the file concerned; the caller then ends the program.
    void loadGameFolder();
    // Ctrl+O: asks what becomes of unsaved edits (a failed Save ends it there), then for a
    // folder, and works on that one as if started on it, with a fresh undo history. A folder
    // that fails as start-up would throws that error, and the window stays on its folder.
    void openAnotherFolder();
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
    // The balance window wrote `changes`: the picked monster and map they change show
    // what the files hold now, as one step of the history.
    void followWrittenRecords(const std::vector<RecordChange>& changes);
    // The title's modified mark: shown while the picked monster or map has unsaved edits.
    void showModifiedMark();
    void placeBeside(QWidget& other) const;
    // The four lists from what start-up read, keeping their texts.
    void fillLists();
    // Opens `dataDir` and reads its start; changes nothing when that throws.
    void switchTo(const std::filesystem::path& dataDir);
    // What holds unsaved edits, as "monster 9, map 12"; empty when nothing does.
    QString unsavedRecords() const;
    // The folder the editor works in by its whole path, or empty when it cannot be had.
    std::filesystem::path wholePath() const;
    void endProgram();

    std::unique_ptr<Ui::MainWindow> ui_;
    std::filesystem::path dataDir_;
    // The game folder, open, that every feature opens its files in.
    GameDirectory folder_;
    GameFolderStart game_;
    std::unique_ptr<ErrorReport> errorReport_;
    std::function<void()> programEnd_;
    FolderPrompts prompts_;
    // Typed changes, picks and Saves of both editors, in the order they were made.
    QUndoStack history_;
    std::unique_ptr<StatsEditor> stats_;
    std::unique_ptr<EncounterEditor> encounter_;
    std::unique_ptr<BattleCalculator> calculator_;
    std::unique_ptr<PreviewPages> previews_;
    // Made at the first F9: what the features report for the balance window, and the window,
    // a window of this one that deletes itself when closed.
    EditorActivity* activity_ = nullptr;
    QPointer<BalanceWindow> balance_;
};

} // namespace valmor
