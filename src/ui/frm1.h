// The editor's main window: the monster stats editor, the encounter editor, the battle
// damage calculator, the preview buttons and Exit, with the state the handlers share.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "data/encounter_record.h"
#include "data/monster_record.h"
#include "data/palette.h"
#include "ui/error_report.h"
#include "ui_frm1.h"

class QLineEdit;

namespace valmor {

class frmPictureList;

// Control members carry the names the handlers use (txtName, cboMapIndex, ...); the three
// control arrays are std::arrays so a handler is told the member index.
class frm1 : public QWidget, public Ui::frm1 {
    Q_OBJECT

public:
    // Works on the five game files in `dataDir`.
    explicit frm1(std::filesystem::path dataDir, QWidget* parent = nullptr);
    ~frm1() override;

    // Replaces the modal message box, for tests.
    void setErrorReport(std::unique_ptr<ErrorReport> report);
    // What Exit does; by default it closes every window and leaves the event loop with 0.
    void setProgramEnd(std::function<void()> end);

    // Start-up: palette, colour table, sprite count and the four lists. Throws the first
    // error, naming the file concerned; the caller then ends the program.
    void Form_Load();

    // The event handlers. The window runs each of them inside the error guard; calling one
    // directly lets its errors through.
    void cboMonsterList_Click();
    void cmdSave_Click();
    void cboMapIndex_Click();
    void txtMonFreq_Change(int index);
    void txtNOMnum_Change(int index);
    void cmdSaveFreq_Click();
    void cmdCalculate_Click();
    void cmdPreview1_Click() { showPreviewPage(1); }
    void cmdPreview2_Click() { showPreviewPage(2); }
    void cmdPreview3_Click() { showPreviewPage(3); }
    void Command1_Click();

    std::array<QLineEdit*, 5> txtMonIndex{};
    std::array<QLineEdit*, 5> txtMonFreq{};
    std::array<QLineEdit*, 3> txtNOMnum{};

    // State shared by the handlers; it lives as long as the window.
    PaletteLevels paletteLevels;
    ColourTable colourTable{};
    std::int16_t lastMonsterIndex = -1;
    MonsterRecord monsterStats;
    EncounterRecord encounterRecord;

    // The preview window of page 1 to 3, or null while it does not exist.
    frmPictureList* previewWindow(int page) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyDesignFonts();
    void nameListTextBoxes();
    void connectHandlers();
    template <typename Handler> void runGuarded(Handler&& handler);
    std::filesystem::path dataFile(const char* name) const { return dataDir_ / name; }

    void showPreviewPage(int page);
    void drawPreviewPage(int page);
    void saveEncounter();
    void endProgram();

    std::filesystem::path dataDir_;
    std::unique_ptr<ErrorReport> errorReport_;
    std::function<void()> programEnd_;
    std::array<QPointer<frmPictureList>, 3> previewWindows_;
};

} // namespace valmor
