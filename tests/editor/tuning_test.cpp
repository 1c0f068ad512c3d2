// The balance window's targets and tuning assistant on the demo files: the Target colouring
// of cells inside, above, below and without their band and of a targets.csv that cannot be
// used; Propose, Apply and Undo apply through the real files, with the main window's boxes
// and snapshots following; an Apply refused by name, writing nothing; Cancel.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "balance/balance_text.h"
#include "balance/targets.h"
#include "balance/tuner.h"
#include "demo/demo_data.h"
#include "editor/balance/balance_heat_map.h"
#include "editor/balance/tuning_panel.h"
#include "editor_fixture.h"
#include "game/change_list.h"
#include "game/game_records.h"

namespace valmor::test {
namespace {

constexpr const char* kTargetsHeader = "maps,profile,defeat_min,defeat_max\n";

// The demo files and their characters.csv, the editor started on them and its balance
// window open.
class TuningTest : public EditorTest {
protected:
    void SetUp() override {
        demo::writeDemoData(dir_, true, true);
        std::filesystem::remove(file(kTargetsFileName));
        start();
        window->show();
        window->openBalanceWindow();
        balance = view->balanceWindow();
        ASSERT_NE(balance, nullptr);
    }

    template <typename Done> static bool eventually(Done&& done, int milliseconds = 5000) {
        return QTest::qWaitFor(std::forward<Done>(done), milliseconds);
    }

    // Writes targets.csv and waits for the window to take it.
    void writeTargets(const std::string& rows) {
        writeText(file(kTargetsFileName), kTargetsHeader + rows);
        balance->refreshNow();
        ASSERT_TRUE(eventually([&] { return !balance->headerText().contains("no targets.csv"); }));
        balance->refreshNow();
    }

    const MapOutcome& outcome(BalanceCell cell) const {
        return balance->table().shown().outcome(cell);
    }
    std::string profileName(BalanceCell cell) const {
        return balance->table().shown().profiles()[cell.profile].name;
    }
    // A row of targets.csv for one cell.
    std::string bandRow(BalanceCell cell, double min, double max) const {
        return std::to_string(cell.map + 1) + "," + profileName(cell) + "," + formatNumber(min) +
               "," + formatNumber(max) + "\n";
    }

    // The first cell, from `from` on, whose chance of defeat lies between `low` and `high`.
    BalanceCell cellWithDefeat(double low, double high, BalanceCell from = {}) const {
        for (std::size_t m = from.map; m < balance->table().mapCount(); ++m) {
            for (std::size_t p = 0; p < balance->table().profileCount(); ++p) {
                const std::optional<double> defeat = targetPercent(outcome({m, p}));
                if (outcome({m, p}).verdict != Verdict::Error && defeat && *defeat > low &&
                    *defeat < high)
                    return {m, p};
            }
        }
        ADD_FAILURE() << "no cell with a chance of defeat between " << low << " and " << high;
        return {};
    }

    TuningPanel& tuning() const { return *balance->tuning(); }

    // Proposes and waits for the search to end.
    void proposeAndWait() {
        tuning().propose();
        ASSERT_TRUE(tuning().isRunning());
        ASSERT_TRUE(eventually([&] { return !tuning().isRunning(); }, 60000));
        ASSERT_NE(tuning().result(), nullptr) << tuning().statusText().toStdString();
    }

    // A band that the cell misses from above: a proposal has something to move.
    std::string tooDangerousTarget() {
        const BalanceCell cell = cellWithDefeat(20, 80);
        return bandRow(cell, 0, std::floor(*targetPercent(outcome(cell)) - 2));
    }

    // The value a record's field holds in the files now.
    std::int16_t storedValue(const RecordChange& change) const {
        if (change.file == ChangedFile::Monsters) {
            MonsterRecord record = readAllMonsterRecords(file(kMonsterFileName))
                                       .at(static_cast<std::size_t>(change.record));
            return *kMonsterLayout[change.field].int16(record);
        }
        EncounterRecord record = readAllEncounterRecords(file(kEncounterFileName))
                                     .at(static_cast<std::size_t>(change.record - 1));
        return *kEncounterLayout[change.field].int16(record);
    }

    // The value the main window's box of the change's field shows.
    std::int16_t valueOnScreen(const RecordChange& change) const {
        if (change.file == ChangedFile::Monsters) {
            MonsterRecord record = view->stats().recordOnScreen();
            return *kMonsterLayout[change.field].int16(record);
        }
        EncounterRecord record = view->encounter().recordOnScreen();
        return *kEncounterLayout[change.field].int16(record);
    }

    // Picks the change's record in the main window, as the user would.
    void pickRecordOf(const RecordChange& change) {
        if (change.file == ChangedFile::Monsters)
            pick(view->cboMonsterList, change.record);
        else
            pick(view->cboMapIndex, change.record - 1);
    }

    BalanceWindow* balance = nullptr;
};

enum class ColourClass { Inside, TooDangerous, TooEasy, NoBand };

ColourClass colourClass(const QColor& colour) {
    if (colour == toQColor(kInsideBandColour))
        return ColourClass::Inside;
    if (colour == toQColor(kNoBandColour))
        return ColourClass::NoBand;
    return colour.red() > colour.blue() ? ColourClass::TooDangerous : ColourClass::TooEasy;
}

struct ColourRow {
    const char* name;
    double below; // the band, in points around the cell's chance of defeat
    double above;
    ColourClass expected;
};

TEST_F(TuningTest, TheTargetColouringShowsEachCellAgainstItsBand) {
    const ColourRow rows[] = {
        {"inside", -1, 1, ColourClass::Inside},
        {"above its band", -15, -10, ColourClass::TooDangerous},
        {"below its band", 10, 15, ColourClass::TooEasy},
    };
    BalanceCell from{};
    std::string targets;
    std::vector<std::pair<BalanceCell, TargetBand>> cells;
    for (const ColourRow& row : rows) {
        const BalanceCell cell = cellWithDefeat(20, 80, from);
        from = {cell.map + 1, 0};
        const double now = *targetPercent(outcome(cell));
        const TargetBand band{std::max(0.0, std::floor(now + row.below)),
                              std::min(100.0, std::ceil(now + row.above))};
        targets += bandRow(cell, band.min, band.max);
        cells.emplace_back(cell, band);
    }
    writeTargets(targets);
    balance->findChild<QRadioButton*>("targetColouring")->click();
    ASSERT_EQ(balance->heatMap()->measure(), BalanceMeasure::Target);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const auto& [cell, band] = cells[i];
        EXPECT_EQ(colourClass(balance->heatMap()->colourOf(cell)), rows[i].expected);
        const QString expected =
            QStringLiteral("target %1, now %2%")
                .arg(QString::fromStdString(bandText(band)),
                     QString::fromStdString(formatNumber(*targetPercent(outcome(cell)))));
        EXPECT_TRUE(balance->heatMap()->describe(cell).contains(expected))
            << balance->heatMap()->describe(cell).toStdString();
    }
    // Every other cell has no band, and says so.
    const BalanceCell unbanded{cells.back().first.map + 1, 0};
    EXPECT_EQ(colourClass(balance->heatMap()->colourOf(unbanded)), ColourClass::NoBand);
    EXPECT_TRUE(balance->heatMap()->describe(unbanded).contains("no target band"));
    EXPECT_TRUE(
        balance->headerText().contains("Targets: 2 of 3 banded cells outside their target band"))
        << balance->headerText().toStdString();
    EXPECT_TRUE(errors.empty());
}

struct UnusableRow {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    const char* said; // in the header
};

TEST_F(TuningTest, ATargetsFileThatCannotBeUsedIsNamedAndLeavesEveryCellWithoutABand) {
    writeTargets("1-268,*,0,10\n");
    ASSERT_FALSE(balance->targets().empty());
    const UnusableRow rows[] = {
        {"no targets.csv", [](const auto& path) { std::filesystem::remove(path); },
         "Targets: no targets.csv in the folder"},
        {"a map outside the range",
         [](const auto& path) { writeText(path, std::string(kTargetsHeader) + "999,*,0,10\n"); },
         "The targets are not used: "},
        {"an unknown profile",
         [](const auto& path) { writeText(path, std::string(kTargetsHeader) + "1,Nobody,0,10\n"); },
         "Nobody"},
        {"a folder",
         [](const auto& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         },
         "Cannot read the targets: "},
    };
    for (const UnusableRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(file(kTargetsFileName));
        row.make(file(kTargetsFileName));
        EXPECT_TRUE(eventually([&] {
            balance->refreshNow();
            return balance->targets().empty() && balance->headerText().contains(row.said);
        })) << balance->headerText().toStdString();
        EXPECT_EQ(balance->heatMap()->targetStatusOf({0, 0}), TargetStatus::NoBand);
        // The rest of the window works on.
        EXPECT_EQ(balance->table().mapCount(), 268u);
        EXPECT_FALSE(balance->heatMap()->isStale());
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(TuningTest, ProposeApplyAndUndoApplyGoThroughTheFilesAndTheMainWindowFollows) {
    writeTargets(tooDangerousTarget());
    const Bytes monstersBefore = monstersFile();
    const Bytes mapsBefore = encounterFile();
    proposeAndWait();
    ASSERT_FALSE(tuning().result()->changes.empty()) << tuning().statusText().toStdString();
    EXPECT_EQ(tuning().changeList()->count(), static_cast<int>(tuning().result()->changes.size()));
    EXPECT_TRUE(balance->heatMap()->showsProposal());
    const std::vector<RecordChange> changes = tuning().tickedChanges();
    const RecordChange first = changes.front();
    EXPECT_TRUE(tuning().changeList()->item(0)->text().startsWith(
        QString::fromStdString(changeText(first, balance->table().shown().monsters()))));
    if (!tuning().result()->changes.front().fixes.empty()) {
        EXPECT_TRUE(tuning().changeList()->item(0)->text().contains("; fixes map "));
    }
    // An unticked change leaves the what-if and the copied list.
    tuning().changeList()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(tuning().tickedChanges(), std::vector(changes.begin() + 1, changes.end()));
    MonsterRecord proposedMonster{};
    if (first.file == ChangedFile::Monsters) {
        proposedMonster =
            tuning().proposed()->monsters().at(static_cast<std::size_t>(first.record));
        EXPECT_EQ(*kMonsterLayout[first.field].int16(proposedMonster), first.oldValue);
    }
    tuning().copyChanges();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              changeListCsv(tuning().tickedChanges()));
    tuning().changeList()->item(0)->setCheckState(Qt::Checked);
    if (first.file == ChangedFile::Monsters) {
        proposedMonster =
            tuning().proposed()->monsters().at(static_cast<std::size_t>(first.record));
        EXPECT_EQ(*kMonsterLayout[first.field].int16(proposedMonster), first.newValue);
    }
    tuning().copyChanges();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), changeListCsv(changes));

    // The record of the first change shows in the main window, unmodified.
    pickRecordOf(first);
    balance->refreshNow();
    EXPECT_FALSE(tuning().isStale());
    const RecordDocument& document = first.file == ChangedFile::Monsters
                                         ? view->stats().document()
                                         : view->encounter().document();
    const int steps = view->history().count();
    QTest::mouseClick(tuning().findChild<QPushButton*>("apply"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty()) << errors.front().what();
    for (const RecordChange& change : changes)
        EXPECT_EQ(storedValue(change), change.newValue) << changeText(change, {});
    EXPECT_EQ(valueOnScreen(first), first.newValue);
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(tuning().applied().empty());
    // One step of the history, undone as a Save is: the old values as unsaved edits.
    EXPECT_EQ(view->history().count(), steps + 1);
    view->history().undo();
    EXPECT_EQ(valueOnScreen(first), first.oldValue);
    EXPECT_TRUE(document.isModified());
    view->history().redo();
    EXPECT_EQ(valueOnScreen(first), first.newValue);
    EXPECT_FALSE(document.isModified());

    QTest::mouseClick(tuning().findChild<QPushButton*>("undoApply"), Qt::LeftButton);
    EXPECT_TRUE(errors.empty()) << errors.front().what();
    EXPECT_EQ(monstersFile(), monstersBefore);
    EXPECT_EQ(encounterFile(), mapsBefore);
    EXPECT_EQ(valueOnScreen(first), first.oldValue);
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(tuning().applied().empty());
    // The box's snapshot followed both writes: a Save now is no conflict.
    QTest::mouseClick(first.file == ChangedFile::Monsters ? view->cmdSave : view->cmdSaveFreq,
                      Qt::LeftButton);
    EXPECT_TRUE(errors.empty()) << errors.front().what();
    EXPECT_EQ(storedValue(first), first.oldValue);
}

struct RefusedRow {
    const char* name;
    // Changes the first change's record after the proposal.
    std::function<void(const RecordChange&)> disturb;
    ErrorKind kind;
    std::string named; // in the error, with the record's number
};

TEST_F(TuningTest, AnApplyOfARecordChangedSinceTheProposalWritesNothingAndNamesIt) {
    writeTargets(tooDangerousTarget());
    const RefusedRow rows[] = {
        {"changed on disk",
         [this](const RecordChange& change) {
             RecordChange other = change;
             other.newValue = static_cast<std::int16_t>(change.oldValue ^ 1);
             writeChanges(GameDirectory::open(dir_), {other});
         },
         ErrorKind::RecordChanged, "nothing was written"},
        {"another value of its record changed on disk",
         [this](const RecordChange& change) {
             const bool monster = change.file == ChangedFile::Monsters;
             RecordChange other = change;
             other.field = *numberFieldIndex(change.file, monster ? "gold" : "nomNum0");
             const auto monsters = readAllMonsterRecords(file(kMonsterFileName));
             const auto maps = readAllEncounterRecords(file(kEncounterFileName));
             for (const RecordChange& held : withRecordGuards({change}, monsters, maps)) {
                 if (held.field == other.field)
                     other.oldValue = held.oldValue;
             }
             other.newValue = static_cast<std::int16_t>(other.oldValue ^ 1);
             writeChanges(GameDirectory::open(dir_), {other});
         },
         ErrorKind::RecordChanged, "nothing was written"},
        {"unsaved edits in the main window",
         [this](const RecordChange& change) {
             pickRecordOf(change);
             QLineEdit* box =
                 change.file == ChangedFile::Monsters ? view->txtHP : view->txtMonFreq[0];
             type(box, box->text() + "1");
         },
         ErrorKind::InvalidPropertyValue, "has unsaved edits"},
    };
    for (const RefusedRow& row : rows) {
        SCOPED_TRACE(row.name);
        // The window has read what the row before wrote.
        ASSERT_TRUE(eventually([&] {
            return balance->table().saved().monsters() ==
                   readAllMonsterRecords(file(kMonsterFileName));
        }));
        proposeAndWait();
        ASSERT_FALSE(tuning().result()->changes.empty());
        const RecordChange first = tuning().tickedChanges().front();
        row.disturb(first);
        const Bytes monsters = monstersFile();
        const Bytes maps = encounterFile();
        errors.clear();
        tuning().apply();
        ASSERT_EQ(errorKinds(), std::vector<ErrorKind>{row.kind});
        const std::string text = errors.front().what();
        EXPECT_NE(text.find(row.named), std::string::npos) << text;
        const std::string record = (first.file == ChangedFile::Monsters ? "monster " : "map ") +
                                   std::to_string(first.record);
        EXPECT_NE(text.find(record), std::string::npos) << text;
        EXPECT_EQ(monstersFile(), monsters);
        EXPECT_EQ(encounterFile(), maps);
        EXPECT_TRUE(tuning().applied().empty());
    }
}

TEST_F(TuningTest, CancelStopsTheSearchAndNothingIsProposedOrWritten) {
    writeTargets("1-268,*,0,0\n");
    const Bytes monsters = monstersFile();
    tuning().propose();
    ASSERT_TRUE(tuning().isRunning());
    tuning().cancel();
    ASSERT_TRUE(eventually([&] { return !tuning().isRunning(); }));
    EXPECT_EQ(tuning().statusText(), "Cancelled.");
    EXPECT_EQ(tuning().result(), nullptr);
    EXPECT_FALSE(balance->heatMap()->showsProposal());
    EXPECT_EQ(monstersFile(), monsters);
    EXPECT_TRUE(errors.empty());
}

struct StaleRow {
    const char* name;
    bool whileRunning; // changed before the search's result came back
    std::function<void()> change;
};

TEST_F(TuningTest, AProposalWhoseInputsChangedIsShownMarkedStale) {
    writeTargets(tooDangerousTarget());
    const StaleRow rows[] = {
        {"a box typed after the result", false,
         [this] {
             pick(view->cboMonsterList, 1);
             type(view->txtHP, view->txtHP->text() + "1");
         }},
        {"a box typed while the search ran", true,
         [this] {
             pick(view->cboMonsterList, 2);
             type(view->txtHP, view->txtHP->text() + "1");
         }},
        {"the bands changed on disk", false,
         [this] {
             const TargetBands before = balance->targets();
             writeText(file(kTargetsFileName),
                       kTargetsHeader + tooDangerousTarget() + "1-268,*,0,100\n");
             ASSERT_TRUE(eventually([&] { return !(balance->targets() == before); }));
         }},
    };
    for (const StaleRow& row : rows) {
        SCOPED_TRACE(row.name);
        tuning().propose();
        if (row.whileRunning)
            row.change();
        ASSERT_TRUE(eventually([&] { return !tuning().isRunning(); }, 60000));
        ASSERT_NE(tuning().result(), nullptr);
        EXPECT_EQ(tuning().isStale(), row.whileRunning);
        if (!row.whileRunning) {
            row.change();
            balance->refreshNow();
        }
        EXPECT_TRUE(tuning().isStale());
        EXPECT_TRUE(tuning().statusText().contains("Stale")) << tuning().statusText().toStdString();
        EXPECT_TRUE(balance->heatMap()->showsProposal());
    }
    // Back to what the search saw and away again: the note comes and goes, said once.
    pick(view->cboMonsterList, 1);
    const QString seen = view->txtHP->text() + "1";
    type(view->txtHP, seen);
    proposeAndWait();
    balance->refreshNow();
    EXPECT_FALSE(tuning().isStale()) << "the keystroke before Propose is in the proposal";
    const QString other = seen + "1";
    for (const QString& text : {other, seen, other + "1", other, seen}) {
        type(view->txtHP, text);
        balance->refreshNow();
        EXPECT_EQ(tuning().isStale(), text != seen) << text.toStdString();
        EXPECT_EQ(tuning().statusText().count(QStringLiteral("Stale")), text != seen ? 1 : 0)
            << tuning().statusText().toStdString();
    }
}

// What has the focus, by the name a user sees.
QString focusName() {
    QWidget* widget = QApplication::focusWidget();
    if (widget == nullptr)
        return QStringLiteral("(none)");
    if (const auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return widget->accessibleName().isEmpty()
               ? QString::fromLatin1(widget->metaObject()->className())
               : widget->accessibleName();
}

TEST_F(TuningTest, TabWalksTheWindowsControlsAndComesBack) {
    writeTargets(tooDangerousTarget());
    proposeAndWait();
    balance->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(balance));
    balance->heatMap()->setFocus();
    QStringList ring;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ring.append(focusName());
        if (QApplication::focusWidget() == balance->heatMap())
            break;
    }
    // The colourings are one stop, at the one chosen; Cancel and Undo apply, disabled, none.
    QString colouring;
    for (const QRadioButton* radio : balance->findChildren<QRadioButton*>())
        colouring = radio->isChecked() ? radio->text() : colouring;
    const QStringList expected{
        "&Propose changes", "Proposed changes", "&Apply",      "Copy c&hanges",
        colouring,          "&Copy table",      "QScrollArea", "Heat map of the maps by profiles"};
    EXPECT_EQ(ring, expected) << ring.join(" | ").toStdString();
}

} // namespace
} // namespace valmor::test
