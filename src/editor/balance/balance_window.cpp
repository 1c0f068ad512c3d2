#include "editor/balance/balance_window.h"

#include <algorithm>
#include <span>

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "balance/character_profiles.h"
#include "editor/balance/balance_heat_map.h"
#include "editor/balance/balance_legend.h"
#include "editor/balance/balance_window_text.h"
#include "editor/balance/editor_activity.h"
#include "editor/balance/game_folder_watch.h"
#include "editor/balance/tuning_panel.h"
#include "editor/design_fonts.h"
#include "editor/editor_settings.h"
#include "editor/error_report.h"
#include "editor/window_icon.h"
#include "game/game_records.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"
#include "game/tables/import_error.h"

namespace valmor {

namespace {

// A characters.csv larger than this is refused: far more profiles than a window can show.
constexpr std::size_t kMostProfileBytes = std::size_t{1} << 20;
// A targets.csv larger than this is refused, as characters.csv is.
constexpr std::size_t kMostTargetBytes = std::size_t{1} << 20;
// The heat map shows this many rows before it scrolls.
constexpr int kRowsShown = 24;

const QString kEmptyNote = QStringLiteral(
    "No profiles to show yet. Type a character's six values (Char Level to Char HP) into the "
    "calculator of the main window for a row \"On screen\" that follows your typing, or put a "
    "characters.csv into the game folder with the columns "
    "name,level,strength,agility,item_damage,item_defense,hp, one profile a row "
    "(valmor-demo-data writes one; valmor-data balance --characters reads the same).");

QLabel* plainLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // Names from the files and the boxes are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// The folder by its whole path where the system gives one; the editor never changes its
// working directory, so a relative name is taken from the one it started in.
QString folderShownAs(const std::filesystem::path& given) {
    std::error_code error;
    const std::filesystem::path named = given.empty() ? std::filesystem::path(".") : given;
    std::filesystem::path folder = std::filesystem::absolute(named, error).lexically_normal();
    if (error || folder.empty())
        folder = named;
    if (folder.has_parent_path() && !folder.has_filename())
        folder = folder.parent_path();
    return shownText(folder.string());
}

} // namespace

BalanceWindow::BalanceWindow(EditorActivity& activity, GameDirectory folder, QWidget* parent)
    : QWidget(parent, Qt::Window), activity_(activity), folder_(std::move(folder)),
      shownFolder_(folderShownAs(folder_.shownAs())) {
    setWindowTitle(QStringLiteral("VALMOR Balance"));
    setWindowIcon(makeWindowIcon());
    setFont(designFont(9));

    header_ = plainLabel(this, "header");
    problems_ = plainLabel(this, "problems");
    QPalette warning = problems_->palette();
    warning.setColor(QPalette::WindowText, QColor(160, 0, 0));
    problems_->setPalette(warning);

    damage_ = new QRadioButton(QStringLiteral("&Damage share"), this);
    defeat_ = new QRadioButton(QStringLiteral("D&efeat chance"), this);
    target_ = new QRadioButton(QStringLiteral("&Target"), this);
    target_->setObjectName(QStringLiteral("targetColouring"));
    target_->setToolTip(QStringLiteral("Each cell against its band of the chance of defeat in "
                                       "the folder's targets.csv"));
    const BalanceMeasure colouring = balanceWindowColouring().value_or(BalanceMeasure::DamageShare);
    damage_->setChecked(colouring == BalanceMeasure::DamageShare);
    defeat_->setChecked(colouring == BalanceMeasure::DefeatChance);
    target_->setChecked(colouring == BalanceMeasure::Target);
    auto* measures = new QButtonGroup(this);
    measures->addButton(damage_, static_cast<int>(BalanceMeasure::DamageShare));
    measures->addButton(defeat_, static_cast<int>(BalanceMeasure::DefeatChance));
    measures->addButton(target_, static_cast<int>(BalanceMeasure::Target));
    auto* copy = new QPushButton(QStringLiteral("&Copy table"), this);
    copy->setObjectName(QStringLiteral("copyTable"));
    copy->setToolTip(QStringLiteral("Copies every map and profile as tab-separated text, with "
                                    "the columns of valmor-data balance (Ctrl+C)"));
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Colour by:"), this));
    controls->addWidget(damage_);
    controls->addWidget(defeat_);
    controls->addWidget(target_);
    controls->addStretch();
    controls->addWidget(copy);

    legend_ = new BalanceLegend(this);
    legend_->setMeasure(colouring);
    emptyNote_ = plainLabel(this, "emptyNote");
    emptyNote_->setText(kEmptyNote);
    heatMap_ = new BalanceHeatMap(table_);
    heatMap_->setMeasure(colouring);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(heatMap_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    monsterLine_ = plainLabel(this, "monsterLine");
    changes_ = plainLabel(this, "changes");
    tuning_ = new TuningPanel(
        activity_, folder_, [this] { return proposalInputs(); },
        [this](const DataError& error) {
            if (report_)
                report_(error);
            else
                MessageBoxErrorReport(this).show(error);
        },
        this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addWidget(problems_);
    layout->addLayout(controls);
    layout->addWidget(legend_);
    layout->addWidget(emptyNote_);
    layout->addWidget(scroll_, 1);
    layout->addWidget(monsterLine_);
    layout->addWidget(changes_);
    layout->addWidget(tuning_);

    connect(measures, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on)
            return;
        const auto measure = static_cast<BalanceMeasure>(id);
        heatMap_->setMeasure(measure);
        legend_->setMeasure(measure);
        keepBalanceWindowColouring(measure);
    });
    heatMap_->setTargets(&targets_);
    connect(tuning_, &TuningPanel::proposalChanged, this, &BalanceWindow::showProposal);
    connect(copy, &QPushButton::clicked, this, [this] { copyTable(); });
    auto* copyKey = new QShortcut(QKeySequence::Copy, this);
    connect(copyKey, &QShortcut::activated, this, [this] { copyTable(); });
    connect(heatMap_, &BalanceHeatMap::mapChosen, &activity_, &EditorActivity::pickMap);

    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &BalanceWindow::refresh);
    const auto editorChanged = [this] {
        editorDirty_ = true;
        scheduleRefresh();
    };
    connect(&activity_, &EditorActivity::monsterChanged, this, editorChanged);
    connect(&activity_, &EditorActivity::mapChanged, this, editorChanged);
    connect(&activity_, &EditorActivity::characterChanged, this, editorChanged);
    const auto filesChanged = [this] {
        filesDirty_ = true;
        scheduleRefresh();
    };
    // A Save is read back at once, so its outlines go without waiting for the watch.
    connect(&activity_, &EditorActivity::saved, this, filesChanged);
    watch_ =
        new GameFolderWatch(folder_.shownAs(),
                            {QLatin1String(kPaletteFileName), QLatin1String(kSpriteFileName),
                             QLatin1String(kMonsterFileName), QLatin1String(kEncounterFileName),
                             QLatin1String(kItemListFileName), QLatin1String(kCharactersFileName),
                             QLatin1String(kTargetsFileName)},
                            this);
    connect(watch_, &GameFolderWatch::changed, this, filesChanged);

    refreshNow();
    heatMap_->setFocus();
}

BalanceWindow::~BalanceWindow() = default;

void BalanceWindow::hideEvent(QHideEvent* event) {
    keepBalanceWindowPlace(geometry());
    QWidget::hideEvent(event);
}

void BalanceWindow::scheduleRefresh() {
    // Signals of one event (a pick fills 28 boxes) come together: one recompute for all.
    if (!pending_.isActive())
        pending_.start();
}

void BalanceWindow::refreshNow() {
    pending_.stop();
    refresh();
}

void BalanceWindow::refresh() noexcept {
    // No exception leaves a recompute, and none shows a dialog: the header tells.
    try {
        QElapsedTimer clock;
        clock.start();
        const std::size_t maps = table_.mapCount();
        const std::size_t profiles = table_.profileCount();
        std::vector<BalanceCell> changed;
        if (filesDirty_) {
            filesDirty_ = false;
            readFiles(changed);
        }
        if (editorDirty_) {
            editorDirty_ = false;
            followEditor(changed);
        }
        applyProfiles(changed);
        applyTargets();
        if (table_.mapCount() != maps || table_.profileCount() != profiles) {
            heatMap_->reshape();
            // Room for every map, and for a scroll bar once the profiles run past the rows
            // shown.
            scroll_->setMinimumWidth(heatMap_->sizeHint().width() +
                                     scroll_->verticalScrollBar()->sizeHint().width());
        } else
            heatMap_->showChanges(changed);
        const int monster = activity_.pickedMonster();
        std::vector<std::size_t> marked;
        for (const MonsterPlace& place : table_.shown().placesOf(monster))
            marked.push_back(place.map);
        std::ranges::sort(marked);
        heatMap_->setMarkedMaps(std::move(marked));
        heatMap_->setStale((gameFilesRead_ && !fileProblem_.isEmpty()) || keepsOldProfiles());
        tuning_->noteShown(table_.shown(), targets_);
        lastMilliseconds_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        lastAt_ = QTime::currentTime();
        ++refreshes_;
        showState();
    } catch (const std::exception& error) {
        fileProblem_ = QStringLiteral("Internal error: %1").arg(shownText(error.what()));
        problems_->setText(fileProblem_);
    } catch (...) {
        problems_->setText(QStringLiteral("Internal error"));
    }
}

std::optional<std::vector<CharacterProfile>> BalanceWindow::readProfiles() {
    const GamePath path = folder_.file(kCharactersFileName);
    // A folder without the file has no profiles of its own; once seen, a missing file is
    // a problem like any other, and its last profiles stay.
    if (!profilesFileSeen_ && pathKind(path) == PathKind::Missing)
        return std::nullopt;
    const std::string text = GameFile::open(path, GameFile::Access::Read)
                                 .readAll(kMostProfileBytes, "; profiles take at most 1 MiB");
    std::vector<CharacterProfile> profiles = profilesFromCsv(text, kCharactersFileName);
    if (profiles.size() > kMostHeatMapProfiles)
        throw DataError(ErrorKind::FileTooLarge,
                        std::string(kCharactersFileName) + " (" + std::to_string(profiles.size()) +
                            " profiles; the window shows at most " +
                            std::to_string(kMostHeatMapProfiles) +
                            ", valmor-data balance --characters takes any number)");
    return profiles;
}

void BalanceWindow::readFiles(std::vector<BalanceCell>& changed) {
    readGameFiles(changed);
    // The profiles apart: a characters.csv that cannot be read takes only its rows away.
    try {
        if (std::optional<std::vector<CharacterProfile>> profiles = readProfiles()) {
            fileProfiles_ = std::move(*profiles);
            profilesFileSeen_ = true;
        }
        profilesProblem_.clear();
    } catch (const DataError& error) {
        // A characters.csv that is no CSV (tables::ImportError) shows its line and column.
        profilesProblem_ = shownText(error.what());
    }
    readTargets();
}

void BalanceWindow::readTargets() {
    // As characters.csv: opened for reading only, bounded, and a targets.csv that cannot be
    // read takes only the bands away.
    try {
        const GamePath path = folder_.file(kTargetsFileName);
        std::optional<std::string> text;
        if (pathKind(path) != PathKind::Missing)
            text = GameFile::open(path, GameFile::Access::Read)
                       .readAll(kMostTargetBytes, "; targets take at most 1 MiB");
        if (text != targetsText_) {
            targetsText_ = std::move(text);
            targetsDirty_ = true;
        }
        targetsReadProblem_.clear();
    } catch (const DataError& error) {
        targetsReadProblem_ = shownText(error.what());
        targetsText_.reset();
        targetsDirty_ = true;
    }
}

void BalanceWindow::applyTargets() {
    std::vector<std::string> profiles;
    for (const CharacterProfile& profile : table_.shown().profiles())
        profiles.push_back(profile.name);
    const std::size_t maps = table_.mapCount();
    if (!targetsDirty_ && profiles == targetProfiles_ && targets_.mapCount() == maps)
        return;
    targetsDirty_ = false;
    targetProfiles_ = std::move(profiles);
    targetsProblem_.clear();
    try {
        targets_ = targetsText_
                       ? targetsFromCsv(*targetsText_, kTargetsFileName, table_.shown().profiles())
                       : TargetBands();
    } catch (const DataError& error) {
        // Shows the line and column of the first problem.
        targetsProblem_ = shownText(error.what());
        targets_ = TargetBands();
    }
    heatMap_->update();
}

void BalanceWindow::readGameFiles(std::vector<BalanceCell>& changed) {
    try {
        // What valmor-data balance reads, opened for reading only, so nothing is ever made.
        std::vector<MonsterRecord> monsters = readAllMonsterRecords(folder_.file(kMonsterFileName));
        std::vector<EncounterRecord> maps =
            readAllEncounterRecords(folder_.file(kEncounterFileName));
        loadItemNames(folder_.file(kItemListFileName));
        GameFile::open(folder_.file(kSpriteFileName), GameFile::Access::Read);
        // Every file read: take them all at once.
        const std::vector<BalanceCell> cells = table_.setSaved(monsters, maps);
        changed.insert(changed.end(), cells.begin(), cells.end());
        gameFilesRead_ = true;
        fileProblem_.clear();
    } catch (const DataError& error) {
        fileProblem_ = shownText(error.what());
    }
}

bool BalanceWindow::keepsOldProfiles() const {
    return !profilesProblem_.isEmpty() && !fileProfiles_.empty();
}

void BalanceWindow::followEditor(std::vector<BalanceCell>& changed) {
    const OnScreen<MonsterEdit> monster = activity_.monster();
    monsterProblem_ = monster.problem;
    std::vector<BalanceCell> cells = table_.setMonsterEdit(monster.value);
    changed.insert(changed.end(), cells.begin(), cells.end());
    const OnScreen<MapEdit> map = activity_.map();
    mapProblem_ = map.problem;
    cells = table_.setMapEdit(map.value);
    changed.insert(changed.end(), cells.begin(), cells.end());
    const OnScreen<CharacterProfile> character = activity_.character();
    characterProblem_ = character.problem;
    if (character.problem.isEmpty())
        screenProfile_ = character.value;
}

void BalanceWindow::applyProfiles(std::vector<BalanceCell>& changed) {
    std::vector<CharacterProfile> profiles;
    if (screenProfile_)
        profiles.push_back(*screenProfile_);
    profiles.insert(profiles.end(), fileProfiles_.begin(), fileProfiles_.end());
    const std::vector<BalanceCell> cells = table_.setProfiles(profiles);
    changed.insert(changed.end(), cells.begin(), cells.end());
}

void BalanceWindow::showState() {
    QString profiles;
    if (screenProfile_ && !fileProfiles_.empty())
        profiles = QStringLiteral("On screen and %1 (%2)")
                       .arg(QLatin1String(kCharactersFileName))
                       .arg(fileProfiles_.size());
    else if (screenProfile_)
        profiles = QStringLiteral("On screen (the calculator's character boxes)");
    else if (!fileProfiles_.empty())
        profiles = QStringLiteral("%1 (%2)")
                       .arg(QLatin1String(kCharactersFileName))
                       .arg(fileProfiles_.size());
    else
        profiles = QStringLiteral("none yet");
    const QString unsaved = activity_.unsavedRecords();
    legend_->setTargetNote(targetsText_ || !targetsReadProblem_.isEmpty()
                               ? QString()
                               : QStringLiteral("no targets.csv: no cell has a band"));
    header_->setText(
        QStringLiteral("Folder: %1     Profiles: %2     Recomputed in %3 ms at %4     %5")
            .arg(shownFolder_, profiles, QString::number(lastMilliseconds_, 'f', 1),
                 lastAt_.toString(QStringLiteral("HH:mm:ss")), targetsLine()) +
        (unsaved.isEmpty() ? QString() : QStringLiteral("     Unsaved edits: %1").arg(unsaved)));

    QStringList problems;
    if (!fileProblem_.isEmpty() && gameFilesRead_)
        problems.append(
            QStringLiteral("Cannot read the files: %1. The picture is the last good one, greyed, "
                           "until they read again.")
                .arg(fileProblem_));
    else if (!fileProblem_.isEmpty())
        problems.append(
            QStringLiteral("Cannot read the files: %1. There are no maps to show until they read.")
                .arg(fileProblem_));
    if (keepsOldProfiles())
        problems.append(QStringLiteral("Cannot read the profiles: %1. The %2 last read from %3 "
                                       "stay, greyed, until it reads again.")
                            .arg(profilesProblem_)
                            .arg(fileProfiles_.size())
                            .arg(QLatin1String(kCharactersFileName)));
    else if (!profilesProblem_.isEmpty())
        problems.append(QStringLiteral("Cannot read the profiles: %1. Their rows are left out "
                                       "until %2 reads; the rest is worked out without them.")
                            .arg(profilesProblem_, QLatin1String(kCharactersFileName)));
    if (!targetsReadProblem_.isEmpty())
        problems.append(QStringLiteral("Cannot read the targets: %1. No cell has a band until "
                                       "%2 reads again.")
                            .arg(targetsReadProblem_, QLatin1String(kTargetsFileName)));
    else if (!targetsProblem_.isEmpty())
        problems.append(QStringLiteral("The targets are not used: %1").arg(targetsProblem_));
    if (!monsterProblem_.isEmpty())
        problems.append(
            QStringLiteral("The picked monster's edits are left out: %1").arg(monsterProblem_));
    if (!mapProblem_.isEmpty())
        problems.append(
            QStringLiteral("The selected map's edits are left out: %1").arg(mapProblem_));
    if (!characterProblem_.isEmpty())
        problems.append(
            QStringLiteral("The row On screen keeps its last values: %1").arg(characterProblem_));
    problems_->setText(problems.join('\n'));
    problems_->setVisible(!problems.isEmpty());

    const bool noRows = table_.profileCount() == 0;
    emptyNote_->setVisible(noRows);
    // No maps (the game files never read): the header says why, and no empty frame shows.
    scroll_->setVisible(!noRows && table_.mapCount() > 0);
    const int rows = std::min(static_cast<int>(table_.profileCount()), kRowsShown);
    scroll_->setFixedHeight(BalanceHeatMap::kTop + BalanceHeatMap::kRowHeight * rows +
                            BalanceHeatMap::kAxisHeight + 20);
    monsterLine_->setText(monsterLine(table_.shown(), activity_.pickedMonster()));
    const QString changes = changesLine(table_);
    changes_->setText(changes.isEmpty()
                          ? QStringLiteral("No unsaved edit changes a verdict or a defeat chance.")
                          : changes);
}

std::size_t BalanceWindow::cellsOutsideBands() const {
    std::size_t count = 0;
    for (std::size_t p = 0; p < table_.profileCount(); ++p) {
        for (std::size_t m = 0; m < table_.mapCount(); ++m)
            count += missesBand(heatMap_->targetStatusOf({m, p})) ? 1 : 0;
    }
    return count;
}

QString BalanceWindow::targetsLine() const {
    if (!targetsReadProblem_.isEmpty() || !targetsProblem_.isEmpty())
        return QStringLiteral("Targets: %1 cannot be used (below)")
            .arg(QLatin1String(kTargetsFileName));
    if (!targetsText_)
        return QStringLiteral("Targets: no %1 in the folder").arg(QLatin1String(kTargetsFileName));
    const std::size_t outside = cellsOutsideBands();
    QString line = QStringLiteral("Targets: %1 of %2 banded cells outside their target band")
                       .arg(outside)
                       .arg(targets_.bandCount());
    if (heatMap_->showsProposal())
        line += QStringLiteral(" with the proposal");
    return line;
}

void BalanceWindow::showProposal() {
    heatMap_->setProposal(tuning_->proposed(), tuning_->moved());
    // A search whose inputs changed while it ran is shown stale at once.
    tuning_->noteShown(table_.shown(), targets_);
    showState();
    // The list of changes takes room: the window grows to hold it rather than squeeze the
    // heat map, whose height is fixed, under the lines below it.
    layout()->activate();
    const int least = minimumSizeHint().height();
    if (height() < least)
        resize(width(), least);
}

std::shared_ptr<const ProposalInputs> BalanceWindow::proposalInputs() {
    // A keystroke whose recompute is still pending belongs to what is proposed for.
    refreshNow();
    if (table_.mapCount() == 0)
        throw DataError(ErrorKind::FileNotFound,
                        "no game files read: there is nothing to propose changes for");
    const QString& targetsProblem =
        targetsReadProblem_.isEmpty() ? targetsProblem_ : targetsReadProblem_;
    if (!targetsProblem.isEmpty())
        throw DataError(ErrorKind::InvalidPropertyValue,
                        std::string(kTargetsFileName) +
                            " cannot be used: " + targetsProblem.toStdString());
    if (!targetsText_ || targets_.empty())
        throw DataError(ErrorKind::FileNotFound,
                        std::string(kTargetsFileName) +
                            " (no bands: put a targets.csv with the columns "
                            "maps,profile,defeat_min,defeat_max into the game folder)");
    auto inputs = std::make_shared<ProposalInputs>();
    inputs->model = table_.shown();
    inputs->bands = targets_;
    return inputs;
}

void BalanceWindow::setErrorReport(std::function<void(const DataError&)> report) {
    report_ = std::move(report);
}

QString BalanceWindow::headerText() const {
    return header_->text() + (problems_->text().isEmpty() ? QString() : '\n' + problems_->text());
}

QString BalanceWindow::changesText() const {
    return changes_->text();
}

QString BalanceWindow::monsterText() const {
    return monsterLine_->text();
}

QString BalanceWindow::tableText() const {
    return QString::fromStdString(tableAsTabSeparated(table_.shown()));
}

void BalanceWindow::copyTable() noexcept {
    try {
        QApplication::clipboard()->setText(tableText());
    } catch (const std::exception& error) {
        problems_->setText(
            QStringLiteral("The table was not copied: %1").arg(shownText(error.what())));
        problems_->show();
    } catch (...) {
    }
}

} // namespace valmor
