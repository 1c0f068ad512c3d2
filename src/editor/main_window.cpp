#include "editor/main_window.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "editor/balance/balance_window.h"
#include "editor/balance/editor_activity.h"
#include "editor/battle_calculator.h"
#include "editor/design_fonts.h"
#include "editor/editor_settings.h"
#include "editor/encounter_editor.h"
#include "editor/pick_list.h"
#include "editor/preview/preview_pages.h"
#include "editor/record_text.h"
#include "editor/stats_editor.h"
#include "editor/undo_keys.h"
#include "editor/window_icon.h"
#include "ui_main_window.h"

namespace valmor {

namespace {

// Steps the undo history keeps; the oldest go first. A typed step takes some hundred bytes,
// a pick a few kB (the values of the record left and of the one picked; the picture is drawn
// again from the sprite file).
constexpr int kUndoSteps = 1000;

// pic1 shows 100 x 100 units over its inner area.
constexpr int kPic1Units = 100;

struct ControlFont {
    const char* name;
    qreal pointSize;
    bool bold;
};

// Controls whose font differs from the window's 8.25 pt regular.
constexpr ControlFont kControlFonts[] = {
    {"Label40", 9.75, true},     {"Label48", 9.75, true},     {"Label47", 8.25, true},
    {"Label41", 8.25, true},     {"Label42", 8.25, true},     {"Label43", 8.25, true},
    {"Label44", 8.25, true},     {"Label45", 8.25, true},     {"Label46", 8.25, true},
    {"Label36", 8.25, true},     {"cmdSaveFreq", 8.25, true}, {"cmdCalculate", 12, true},
    {"cmdPreview1", 9.75, true}, {"cmdPreview2", 9.75, true}, {"cmdPreview3", 9.75, true},
    {"cmdSave", 13.5, false},    {"Command1", 13.5, false},
};

} // namespace

MainWindow::MainWindow(std::filesystem::path dataDir, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MainWindow>()), dataDir_(std::move(dataDir)),
      errorReport_(std::make_unique<MessageBoxErrorReport>(this)),
      programEnd_([this] { endProgram(); }), prompts_(folderDialogs()) {
    Ui::MainWindow& ui = *ui_;
    ui.setupUi(this);
    // A normal top-level window (so it has a taskbar entry) without minimise and maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(637, 560);
    // "[*]" shows nothing until the window is marked modified.
    setWindowTitle(windowTitle() + QStringLiteral("[*]"));
    history_.setUndoLimit(kUndoSteps);
    setWindowIcon(makeWindowIcon());
    applyDesignFonts();

    ui.pic1->setUnits(kPic1Units, kPic1Units);
    for (QComboBox* list : {ui.cboMonsterList, ui.cboItem1, ui.cboItem2, ui.cboMapIndex})
        PickList::install(list);
    ui.cboMonsterList->setEditText(QStringLiteral("Pick Monster"));
    ui.cboMapIndex->setEditText(QStringLiteral("Map #"));
    for (QLineEdit* box : {ui.txtName, ui.txtSpecial1, ui.txtSpecial2})
        box->setValidator(new RecordTextValidator(box));
    nameListTextBoxes();

    stats_ = std::make_unique<StatsEditor>(StatsControls{ui.cboMonsterList, ui.pic1, this}, folder_,
                                           game_, history_);
    const EncounterControls encounter{
        ui.cboMapIndex,
        ui.txtTotalFreq,
        ui.txtTotalMon,
        {ui.txtMonFreq_0, ui.txtMonFreq_1, ui.txtMonFreq_2, ui.txtMonFreq_3, ui.txtMonFreq_4},
        {ui.txtNOMnum_0, ui.txtNOMnum_1, ui.txtNOMnum_2},
        this};
    encounter_ = std::make_unique<EncounterEditor>(encounter, folder_, history_);
    calculator_ = std::make_unique<BattleCalculator>(CalculatorControls{
        {ui.txtChLvl, ui.txtChStr, ui.txtChAgi, ui.txtChDam, ui.txtChDef, ui.txtChHP, ui.txtLevel,
         ui.txtStr, ui.txtAgi, ui.txtOffMax, ui.txtDef, ui.txtHP},
        {ui.txtDam2Mon, ui.txtDam2Ch, ui.txtHit2KillMon, ui.txtHit2KillCh}});
    previews_ = std::make_unique<PreviewPages>(folder_, game_, this);
    connectHandlers(encounter);
}

void MainWindow::nameListTextBoxes() {
    // The form names every control but the text box inside an editable list, which the
    // form cannot reach. That box takes the focus for its list, so a screen reader
    // announces it: it gets the list's name.
    for (QComboBox* list : findChildren<QComboBox*>()) {
        if (list->lineEdit() != nullptr)
            list->lineEdit()->setAccessibleName(list->accessibleName());
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::applyDesignFonts() {
    // Set on every control, not only on the window: a control with a style sheet of its
    // own does not take the window's font.
    setFont(designFont(8.25));
    for (QWidget* control : findChildren<QWidget*>())
        control->setFont(designFont(8.25));
    for (const ControlFont& entry : kControlFonts) {
        if (auto* control = findChild<QWidget*>(QString::fromLatin1(entry.name)))
            control->setFont(designFont(entry.pointSize, entry.bold));
    }
    // Labels fit their captions, but for three that keep their designed size.
    const QStringList fixedSize{"Label25", "Label28", "Label49"};
    for (QLabel* label : findChildren<QLabel*>()) {
        if (!fixedSize.contains(label->objectName()))
            label->resize(label->sizeHint());
    }
}

void MainWindow::setErrorReport(std::unique_ptr<ErrorReport> report) {
    errorReport_ = std::move(report);
}

void MainWindow::setProgramEnd(std::function<void()> end) {
    programEnd_ = std::move(end);
}

void MainWindow::setFolderPrompts(FolderPrompts prompts) {
    prompts_ = std::move(prompts);
}

void MainWindow::connectHandlers(const EncounterControls& encounter) {
    const auto on = [this](auto* sender, auto signal, auto handler) {
        connect(sender, signal, this, [this, handler] { guarded(*errorReport_, handler); });
    };
    const Ui::MainWindow& ui = *ui_;
    on(ui.cboMonsterList, &QComboBox::activated, [this] { stats_->pickMonster(); });
    on(ui.cmdSave, &QPushButton::clicked, [this] {
        stats_->saveMonster();
        noteSave();
    });
    on(ui.cboMapIndex, &QComboBox::activated, [this] { encounter_->pickMap(); });
    on(ui.cmdSaveFreq, &QPushButton::clicked, [this] {
        encounter_->saveMap();
        noteSave();
    });
    on(ui.cmdCalculate, &QPushButton::clicked, [this] { calculator_->calculate(); });
    on(ui.cmdPreview1, &QPushButton::clicked, [this] { previews_->showPreviewPage(1); });
    on(ui.cmdPreview2, &QPushButton::clicked, [this] { previews_->showPreviewPage(2); });
    on(ui.cmdPreview3, &QPushButton::clicked, [this] { previews_->showPreviewPage(3); });
    on(ui.Command1, &QPushButton::clicked, [this] { exitProgram(); });
    for (int i = 0; i < static_cast<int>(encounter.txtMonFreq.size()); ++i)
        on(encounter.txtMonFreq[i], &QLineEdit::textChanged,
           [this, i] { encounter_->updateFrequencyTotal(i); });
    for (int i = 0; i < static_cast<int>(encounter.txtNOMnum.size()); ++i)
        on(encounter.txtNOMnum[i], &QLineEdit::textChanged,
           [this, i] { encounter_->updateMonsterCountTotal(i); });
    // F9 is no key of any control of the form.
    auto* balanceKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(balanceKey, &QShortcut::activated, this,
            [this] { guarded(*errorReport_, [this] { openBalanceWindow(); }); });
    // Nor is Ctrl+O.
    auto* openKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(openKey, &QShortcut::activated, this,
            [this] { guarded(*errorReport_, [this] { openAnotherFolder(); }); });
    // A picture an undone or redone pick could not draw is reported as the pick reports it.
    UndoKeys::install(*this, history_, [this](const std::function<void()>& step) {
        guarded(*errorReport_, [&] {
            step();
            stats_->document().reportPictureProblem();
        });
    });
    connect(&stats_->document(), &RecordDocument::changed, this, &MainWindow::showModifiedMark);
    connect(&encounter_->document(), &RecordDocument::changed, this, &MainWindow::showModifiedMark);
}

void MainWindow::showModifiedMark() {
    setWindowModified(!unsavedRecords().isEmpty());
}

void MainWindow::noteSave() {
    if (activity_ != nullptr)
        activity_->noteSave();
}

// ---- The balance window ----

void MainWindow::followWrittenRecords(const std::vector<RecordChange>& changes) {
    const auto changed = [&](ChangedFile file, int record) {
        return std::ranges::any_of(changes, [&](const RecordChange& change) {
            return change.file == file && change.record == record;
        });
    };
    const bool monster =
        stats_->pickedMonster() >= 0 && changed(ChangedFile::Monsters, stats_->pickedMonster());
    const bool map =
        encounter_->pickedMap() >= 1 && changed(ChangedFile::Encounters, encounter_->pickedMap());
    if (!monster && !map)
        return;
    // Both editors' steps as one, so that one Ctrl+Z takes back what one Apply showed.
    history_.beginMacro(QStringLiteral("Apply"));
    const struct EndMacro {
        QUndoStack& history;
        ~EndMacro() { history.endMacro(); }
    } endMacro{history_};
    std::optional<DataError> first;
    const auto follow = [&](auto showWritten) {
        try {
            showWritten();
        } catch (const DataError& error) {
            first = first.value_or(error);
        }
    };
    if (monster)
        follow([this] { stats_->showWritten(); });
    if (map)
        follow([this] { encounter_->showWritten(); });
    if (first)
        throw *first;
}

void MainWindow::openBalanceWindow() {
    if (activity_ == nullptr) {
        activity_ = new EditorActivity(*stats_, *encounter_, *calculator_, this);
        connect(activity_, &EditorActivity::recordsWritten, this,
                [this](const std::vector<RecordChange>& changes) {
                    guarded(*errorReport_, [&] { followWrittenRecords(changes); });
                });
        // A cell chosen there is picked in the map list as the user would pick it.
        connect(activity_, &EditorActivity::mapPickRequested, this, [this](int map) {
            ui_->cboMapIndex->setCurrentIndex(map - 1);
            emit ui_->cboMapIndex->activated(map - 1);
        });
    }
    if (balance_ == nullptr) {
        balance_ = new BalanceWindow(*activity_, folder_, this);
        balance_->setErrorReport([this](const DataError& error) { errorReport_->show(error); });
        balance_->setAttribute(Qt::WA_DeleteOnClose);
        const QScreen* screen = this->screen();
        const std::optional<QRect> kept =
            screen != nullptr
                ? balanceWindowPlace(screen->availableGeometry(), balance_->minimumSizeHint())
                : std::nullopt;
        if (kept)
            balance_->setGeometry(*kept);
        else
            placeBeside(*balance_);
    }
    balance_->show();
    balance_->raise();
    balance_->activateWindow();
}

void MainWindow::placeBeside(QWidget& other) const {
    // Right of this window when the screen has room, else where it fits best.
    const QScreen* screen = this->screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect main = frameGeometry();
    const QSize size = other.sizeHint();
    QPoint at(main.right() + 1, main.top());
    if (available.isValid()) {
        if (at.x() + size.width() > available.right())
            at.setX(std::max(available.left(), available.right() - size.width()));
        at.setY(std::clamp(at.y(), available.top(),
                           std::max(available.top(), available.bottom() - size.height())));
    }
    other.move(at);
}

// ---- Start-up and exit ----

void MainWindow::loadGameFolder() {
    folder_ = GameDirectory::openByNames(dataDir_);
    game_ = readGameFolderStart(folder_);
    fillLists();
    // What start-up shows is where the history begins.
    stats_->document().takeControls();
    encounter_->document().takeControls();
    history_.clear();
}

void MainWindow::fillLists() {
    const auto numbers = [](int first, int count) {
        QStringList list;
        list.reserve(count);
        for (int i = 0; i < count; ++i)
            list.append(QString::number(first + i));
        return list;
    };
    PickList::fill(ui_->cboMonsterList, numbers(0, game_.lastMonsterIndex + 1),
                   ui_->cboMonsterList->currentText());
    QStringList items;
    items.reserve(static_cast<qsizetype>(game_.itemNames.size()));
    for (const std::string& name : game_.itemNames)
        items.append(recordTextToDisplay(name));
    PickList::fill(ui_->cboItem1, items, QString());
    PickList::fill(ui_->cboItem2, items, QString());
    PickList::fill(ui_->cboMapIndex, numbers(1, kMapCount), ui_->cboMapIndex->currentText());
}

// ---- Another game folder ----

QString MainWindow::unsavedRecords() const {
    QStringList records;
    if (stats_->pickedMonster() >= 0 && stats_->document().isModified())
        records.append(QStringLiteral("monster %1").arg(stats_->pickedMonster()));
    if (encounter_->pickedMap() >= 1 && encounter_->document().isModified())
        records.append(QStringLiteral("map %1").arg(encounter_->pickedMap()));
    return records.join(QStringLiteral(", "));
}

std::filesystem::path MainWindow::wholePath() const {
    std::error_code error;
    std::filesystem::path path =
        std::filesystem::absolute(dataDir_.empty() ? "." : dataDir_, error).lexically_normal();
    if (error)
        return {};
    if (path.has_parent_path() && !path.has_filename())
        path = path.parent_path();
    return path;
}

void MainWindow::openAnotherFolder() {
    if (const QString records = unsavedRecords(); !records.isEmpty()) {
        switch (prompts_.askUnsaved(this, records)) {
        case FolderPrompts::Unsaved::Cancel:
            return;
        case FolderPrompts::Unsaved::Save:
            // As the Save buttons do; an error ends it here, before any folder is opened.
            if (stats_->pickedMonster() >= 0 && stats_->document().isModified()) {
                stats_->saveMonster();
                noteSave();
            }
            if (encounter_->pickedMap() >= 1 && encounter_->document().isModified()) {
                encounter_->saveMap();
                noteSave();
            }
            break;
        case FolderPrompts::Unsaved::Discard:
            break;
        }
    }
    const std::vector<std::filesystem::path> recent = recentGameFolders();
    const std::optional<std::filesystem::path> chosen =
        prompts_.chooseFolder(this, recent.empty() ? wholePath() : recent.front());
    if (chosen)
        switchTo(*chosen);
}

void MainWindow::switchTo(const std::filesystem::path& dataDir) {
    // Everything start-up reads, before anything of this folder is let go.
    GameDirectory folder = GameDirectory::openByNames(dataDir);
    GameFolderStart start = readGameFolderStart(folder);
    const int monster = stats_->pickedMonster();
    const int map = encounter_->pickedMap();
    dataDir_ = dataDir;
    folder_ = std::move(folder);
    game_ = std::move(start);
    noteGameFolderUsed(wholePath());
    previews_->closeAll();
    fillLists();
    // No step of the other folder may ever be replayed onto this one.
    history_.clear();
    // The records picked are shown again as this folder holds them; one past its sprites,
    // or one whose record cannot be read (its pick made no step), is no longer picked.
    std::optional<DataError> pickError;
    const auto pickAgain = [&](QComboBox* list, int position, auto pick) {
        if (PickList::select(list, position)) {
            const int steps = history_.count();
            try {
                pick();
            } catch (const DataError& error) {
                pickError = pickError.value_or(error);
                if (history_.count() == steps)
                    PickList::select(list, -1);
            }
        }
    };
    if (monster >= 0)
        pickAgain(ui_->cboMonsterList, monster, [this] { stats_->pickMonster(); });
    if (map >= 1)
        pickAgain(ui_->cboMapIndex, map - 1, [this] { encounter_->pickMap(); });
    if (stats_->pickedMonster() < 0)
        stats_->document().takeControls();
    if (encounter_->pickedMap() < 1)
        encounter_->document().takeControls();
    // The history begins with what the new folder shows.
    history_.clear();
    showModifiedMark();
    if (balance_ != nullptr) {
        // It follows as if opened on this folder, where it was.
        const QRect place = balance_->geometry();
        delete balance_.data();
        openBalanceWindow();
        balance_->setGeometry(place);
        activateWindow();
    }
    if (pickError)
        throw *pickError;
}

void MainWindow::exitProgram() {
    programEnd_();
}

void MainWindow::endProgram() {
    previews_->closeAll();
    if (balance_ != nullptr)
        balance_->close();
    hide();
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the main window through its frame ends the program, as Exit does.
    event->accept();
    programEnd_();
}

} // namespace valmor
