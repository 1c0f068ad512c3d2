// The balance window on the demo data: F9 opens it and nothing of it exists before, typed
// values outline the cells they change and a Save takes the outlines away, a box that does
// not convert leaves its edits out without a dialog, files replaced, broken and repaired
// on disk are followed, the copied table is valmor-data balance's, and a cell picks its map.
#include <gtest/gtest.h>

#include <sstream>

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "app/start_arguments.h"
#include "balance/balance_text.h"
#include "balance/character_profiles.h"
#include "cli/cli.h"
#include "demo/demo_data.h"
#include "editor/balance/balance_heat_map.h"
#include "editor/balance/balance_window_text.h"
#include "editor/balance/editor_activity.h"
#include "editor_fixture.h"
#include "game/game_records.h"
#include "game/item_list.h"
#include "game/tables/csv.h"

namespace valmor::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

// The demo files and their characters.csv, the editor started on them and shown.
class BalanceWindowTest : public EditorTest {
protected:
    void SetUp() override {
        demo::writeDemoData(dir_, true, true);
        start();
        window->show();
        activateMain();
    }

    void activateMain() {
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    BalanceWindow& open() {
        QTest::keyClick(window.get(), Qt::Key_F9);
        BalanceWindow* balance = view->balanceWindow();
        EXPECT_NE(balance, nullptr);
        return *balance;
    }

    // Waits for the window to show what `done` looks for, as a file change takes a moment.
    template <typename Done> static bool eventually(Done&& done) {
        return QTest::qWaitFor(std::forward<Done>(done), 5000);
    }

    std::string text(std::string_view name) const { return readText(file(name)); }

    // The folder's entries with their sizes and times, in order.
    std::vector<std::filesystem::path> listing() const {
        std::vector<std::filesystem::path> entries;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            const auto time = entry.last_write_time().time_since_epoch().count();
            entries.push_back(entry.path().filename().string() + " " +
                              std::to_string(entry.is_regular_file() ? entry.file_size() : 0) +
                              " " + std::to_string(time));
        }
        std::ranges::sort(entries);
        return entries;
    }
};

int balanceWindowsOpen() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<BalanceWindow*>(widget) != nullptr ? 1 : 0;
    return count;
}

bool anyMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible())
            return true;
    }
    return false;
}

TEST_F(BalanceWindowTest, F9OpensItOnceNothingOfItExistsBeforeAndTheMainWindowStaysAsItWas) {
    EXPECT_EQ(balanceWindowsOpen(), 0);
    EXPECT_TRUE(window->findChildren<EditorActivity*>().isEmpty());
    type(view->txtChLvl, "7");
    view->cmdCalculate->setFocus();
    const QImage before = window->grab().toImage();

    type(view->txtChLvl, "7");
    QTest::keyClick(view->txtChLvl, Qt::Key_F9);
    EXPECT_EQ(view->txtChLvl->text(), "7"); // F9 types nothing into the box
    BalanceWindow* balance = view->balanceWindow();
    ASSERT_NE(balance, nullptr);
    EXPECT_TRUE(balance->isVisible());
    EXPECT_EQ(balance->windowTitle(), "VALMOR Balance");
    EXPECT_EQ(balance->table().mapCount(), 268u);
    EXPECT_EQ(balance->table().profileCount(), 20u);

    activateMain();
    QTest::keyClick(window.get(), Qt::Key_F9);
    EXPECT_EQ(view->balanceWindow(), balance);
    EXPECT_EQ(balanceWindowsOpen(), 1);

    balance->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view->balanceWindow(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(programEnds, 0);
    EXPECT_TRUE(errors.empty());
    activateMain();
    view->cmdCalculate->setFocus();
    EXPECT_EQ(window->grab().toImage(), before);
}

using BalanceExitTest = EditorTest;

TEST_F(BalanceExitTest, ExitEndsTheBalanceWindowToo) {
    build();
    window->loadGameFolder();
    window->show();
    window->openBalanceWindow();
    QPointer<BalanceWindow> balance = view->balanceWindow();
    ASSERT_TRUE(balance && balance->isVisible());
    QTimer::singleShot(0, [&] { QTest::mouseClick(view->Command1, Qt::LeftButton); });
    EXPECT_EQ(QApplication::exec(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!balance || !balance->isVisible());
}

struct EditRow {
    const char* name;
    QComboBox* MainWindowTestView::*list;
    int position;
    QLineEdit* MainWindowTestView::*box;
    const char* typed;
    QPushButton* MainWindowTestView::*save;
};

TEST_F(BalanceWindowTest, TypedValuesOutlineTheCellsTheyChangeUntilTheSaveWritesThem) {
    BalanceWindow& balance = open();
    const EditRow rows[] = {
        {"monster HP", &MainWindowTestView::cboMonsterList, 13, &MainWindowTestView::txtHP, "300",
         &MainWindowTestView::cmdSave},
        {"map frequency", &MainWindowTestView::cboMapIndex, 60, &MainWindowTestView::txtMonFreq_0,
         "0", &MainWindowTestView::cmdSaveFreq},
    };
    for (const EditRow& row : rows) {
        SCOPED_TRACE(row.name);
        pick((*view).*row.list, row.position);
        balance.refreshNow();
        EXPECT_TRUE(balance.table().differences().empty());
        type((*view).*row.box, row.typed);
        balance.refreshNow();
        const std::vector<BalanceCell> changed = balance.table().differences();
        ASSERT_FALSE(changed.empty());
        const BalanceCell first = changed.front();
        EXPECT_TRUE(balance.changesText().startsWith(
            QStringLiteral("Unsaved edits change %1 cell").arg(changed.size())))
            << balance.changesText().toStdString();
        EXPECT_TRUE(balance.changesText().contains(QStringLiteral("map %1, ").arg(first.map + 1)));
        const auto saved = mapRowCells(balance.table().saved().outcome(first), "");
        EXPECT_NE(mapRowCells(balance.table().shown().outcome(first), ""), saved);

        QTest::mouseClick((*view).*row.save, Qt::LeftButton);
        balance.refreshNow();
        EXPECT_TRUE(errors.empty());
        EXPECT_TRUE(balance.table().differences().empty());
        EXPECT_NE(mapRowCells(balance.table().saved().outcome(first), ""), saved);
    }
    EXPECT_TRUE(balance.monsterText().contains("(monster 13) counts in"))
        << balance.monsterText().toStdString();
    EXPECT_FALSE(balance.heatMap()->markedMaps().empty());
}

struct BadBoxRow {
    const char* name;
    QLineEdit* MainWindowTestView::*box;
    const char* typed;
    const char* problem;
};

TEST_F(BalanceWindowTest, ABoxThatDoesNotConvertLeavesItsEditsOutWithoutADialog) {
    BalanceWindow& balance = open();
    pick(view->cboMonsterList, 13);
    pick(view->cboMapIndex, 60);
    const std::pair<QLineEdit*, const char*> character[] = {
        {view->txtChLvl, "7"},  {view->txtChStr, "40"}, {view->txtChAgi, "30"},
        {view->txtChDam, "50"}, {view->txtChDef, "25"}, {view->txtChHP, "150"}};
    for (const auto& [box, value] : character)
        type(box, value);
    const QString offMax = view->txtOffMax->text();
    const BadBoxRow rows[] = {
        {"HP past 16 bits", &MainWindowTestView::txtHP, "40000", "Overflow"},
        {"a target that is no number", &MainWindowTestView::txtS1target, "1x", "Type mismatch"},
        {"a frequency past 16 bits", &MainWindowTestView::txtMonFreq_0, "99999", "Overflow"},
        {"a character level past any number", &MainWindowTestView::txtChLvl, "1e999", "Overflow"},
        {"a character without HP", &MainWindowTestView::txtChHP, "0", "must be above 0"},
    };
    for (const BadBoxRow& row : rows) {
        SCOPED_TRACE(row.name);
        QLineEdit* box = (*view).*row.box;
        const QString good = box->text();
        // A good edit first, so that the bad one has a what-if to turn off.
        type(view->txtOffMax, "60");
        balance.refreshNow();
        ASSERT_FALSE(balance.table().differences().empty());
        const std::vector<CharacterProfile> profiles = balance.table().shown().profiles();
        ASSERT_EQ(profiles.front().name, "On screen");

        type(box, row.typed);
        balance.refreshNow();
        EXPECT_TRUE(balance.headerText().contains(captionOf(box) + ": "))
            << balance.headerText().toStdString();
        EXPECT_TRUE(balance.headerText().contains(row.problem))
            << balance.headerText().toStdString();
        if (box == view->txtHP || box == view->txtS1target) {
            EXPECT_TRUE(balance.table().differences().empty());
        } else {
            // The other edits stay; the On screen row keeps its last values.
            EXPECT_FALSE(balance.table().differences().empty());
            EXPECT_EQ(balance.table().shown().profiles().front().hp, profiles.front().hp);
        }
        EXPECT_TRUE(errors.empty());
        EXPECT_FALSE(anyMessageBox());
        type(box, good);
        type(view->txtOffMax, offMax);
    }
}

TEST_F(BalanceWindowTest, AFileReplacedFromOutsideIsFollowedEachTime) {
    BalanceWindow& balance = open();
    std::vector<MonsterRecord> monsters = readAllMonsterRecords(file(kMonsterFileName));
    for (const std::int16_t offMax : {200, 3}) {
        const std::string before = balance.tableText().toStdString();
        monsters[13].offMax = offMax;
        // As an import does it: a whole new file renamed over the old one.
        const std::filesystem::path replacement = file("monsters.tat.valmor-new");
        std::filesystem::remove(replacement);
        for (std::size_t n = 0; n < monsters.size(); ++n)
            writeMonsterRecord(replacement, static_cast<std::int16_t>(n), monsters[n]);
        std::filesystem::rename(replacement, file(kMonsterFileName));
        EXPECT_TRUE(eventually([&] {
            return balance.table().saved().monsters()[13] == monsters[13];
        })) << offMax;
        EXPECT_NE(balance.tableText().toStdString(), before);
    }
}

struct BreakRow {
    const char* name;
    const char* file;
    std::function<void(const std::filesystem::path&)> breakIt;
};

TEST_F(BalanceWindowTest, AFileBrokenForAMomentIsNamedAndThePictureRecovers) {
    BalanceWindow& balance = open();
    const BreakRow rows[] = {
        {"stats file gone", kMonsterFileName,
         [](const std::filesystem::path& path) { std::filesystem::remove(path); }},
        {"encounter file a folder", kEncounterFileName,
         [](const std::filesystem::path& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         }},
        {"item list cut short", kItemListFileName,
         [](const std::filesystem::path& path) { writeText(path, "Stick\n"); }},
        {"a profile without HP", "characters.csv",
         [](const std::filesystem::path& path) {
             writeText(path,
                       "name,level,strength,agility,item_damage,item_defense,hp\nX,1,1,1,1,1,0\n");
         }},
        {"more profiles than a heat map shows", "characters.csv",
         [](const std::filesystem::path& path) {
             std::string table = "name,level,strength,agility,item_damage,item_defense,hp\n";
             for (std::size_t i = 0; i <= kMostHeatMapProfiles; ++i)
                 table += "P" + std::to_string(i) + ",1,10,10,5,5,40\n";
             writeText(path, table);
         }},
    };
    for (const BreakRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string good = text(row.file);
        const QString table = balance.tableText();
        row.breakIt(file(row.file));
        const std::vector<std::filesystem::path> broken = listing();
        EXPECT_TRUE(eventually([&] {
            return balance.heatMap()->isStale() && balance.headerText().contains(row.file);
        })) << balance.headerText().toStdString();
        EXPECT_EQ(listing(), broken); // nothing made anew, nothing written
        EXPECT_EQ(balance.tableText(), table);
        EXPECT_TRUE(errors.empty());
        EXPECT_FALSE(anyMessageBox());

        std::filesystem::remove_all(file(row.file));
        writeText(file(row.file), good);
        EXPECT_TRUE(eventually([&] { return !balance.heatMap()->isStale(); }));
        EXPECT_FALSE(balance.headerText().contains("Cannot read"))
            << balance.headerText().toStdString();
        EXPECT_EQ(balance.tableText(), table);
    }
}

// A characters.csv of `rows` profiles, equal but for their names.
std::string profileTable(std::size_t rows) {
    std::string table = "name,level,strength,agility,item_damage,item_defense,hp\n";
    for (std::size_t i = 0; i < rows; ++i)
        table += "P" + std::to_string(i) + ",1,10,10,5,5,40\n";
    return table;
}

struct StartRow {
    const char* name;
    const char* file;
    std::function<void(const std::filesystem::path&)> breakIt;
    std::size_t maps;
    std::size_t fileProfiles; // the rows of characters.csv shown
    bool named;               // the header says the file cannot be read
};

TEST_F(BalanceWindowTest, AFileThatCannotBeReadAtTheStartLeavesOutOnlyWhatItHolds) {
    const auto replaceWith = [](std::string content) {
        return [content](const std::filesystem::path& path) { writeText(path, content); };
    };
    const StartRow rows[] = {
        {"no characters.csv", "characters.csv",
         [](const std::filesystem::path& path) { std::filesystem::remove(path); }, 268, 0, false},
        {"as many profiles as a heat map shows", "characters.csv",
         replaceWith(profileTable(kMostHeatMapProfiles)), 268, kMostHeatMapProfiles, false},
        {"one profile more", "characters.csv", replaceWith(profileTable(kMostHeatMapProfiles + 1)),
         268, 0, true},
        {"over 1 MiB", "characters.csv", replaceWith(profileTable(70000)), 268, 0, true},
        {"no CSV", "characters.csv", replaceWith(profileTable(0) + "\"P,1,10,10,5,5,40\n"), 268, 0,
         true},
        {"a profile without HP", "characters.csv", replaceWith(profileTable(0) + "X,1,1,1,1,1,0\n"),
         268, 0, true},
        {"a folder", "characters.csv",
         [](const std::filesystem::path& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         },
         268, 0, true},
        {"a pipe", "characters.csv",
         [](const std::filesystem::path& path) {
             std::filesystem::remove(path);
             ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
         },
         268, 0, true},
        {"no stats file", kMonsterFileName,
         [](const std::filesystem::path& path) { std::filesystem::remove(path); }, 0, 20, true},
        {"the encounter file a folder", kEncounterFileName,
         [](const std::filesystem::path& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         },
         0, 20, true},
    };
    // The row On screen, which needs no file.
    const std::pair<QLineEdit*, const char*> character[] = {
        {view->txtChLvl, "7"},  {view->txtChStr, "40"}, {view->txtChAgi, "30"},
        {view->txtChDam, "50"}, {view->txtChDef, "25"}, {view->txtChHP, "150"}};
    for (const auto& [box, value] : character)
        type(box, value);
    for (const StartRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string good = text(row.file);
        row.breakIt(file(row.file));
        BalanceWindow& balance = open();
        const QString header = balance.headerText();
        EXPECT_EQ(balance.table().mapCount(), row.maps);
        EXPECT_EQ(balance.table().profileCount(), 1 + row.fileProfiles);
        EXPECT_EQ(balance.table().shown().profiles().front().name, "On screen");
        EXPECT_EQ(balance.tableText().count('\n'), 1 + row.maps * (1 + row.fileProfiles));
        const QString problems = header.section('\n', 1);
        EXPECT_EQ(problems.startsWith("Cannot read ") && problems.contains(row.file), row.named)
            << header.toStdString();
        // No picture was ever shown, so none is kept.
        EXPECT_FALSE(header.contains("last good") || header.contains("last read"))
            << header.toStdString();
        EXPECT_FALSE(balance.heatMap()->isStale());
        EXPECT_TRUE(errors.empty());
        EXPECT_FALSE(anyMessageBox());

        std::filesystem::remove_all(file(row.file));
        writeText(file(row.file), good);
        EXPECT_TRUE(eventually([&] {
            return balance.table().mapCount() == 268 && balance.table().profileCount() == 21;
        }));
        EXPECT_FALSE(balance.headerText().contains("Cannot read"))
            << balance.headerText().toStdString();
        balance.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        activateMain();
    }
}

// The cells of a CSV text, a row a record.
Table csvCells(const std::string& text) {
    std::istringstream in(text);
    tables::TextStream stream(in, "csv");
    tables::CsvReader reader(stream);
    Table table;
    for (std::vector<tables::Cell> record; reader.next(record);) {
        std::vector<std::string>& row = table.emplace_back();
        for (const tables::Cell& cell : record)
            row.push_back(cell.text);
    }
    return table;
}

Table tsvCells(const QString& text) {
    Table table;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        std::vector<std::string>& row = table.emplace_back();
        for (const QString& cell : line.split('\t'))
            row.push_back(cell.toStdString());
    }
    return table;
}

TEST_F(BalanceWindowTest, TheCopiedTableIsTheCommandsOutputForTheSameFiles) {
    BalanceWindow& balance = open();
    const std::pair<QLineEdit*, const char*> character[] = {
        {view->txtChLvl, "7"},  {view->txtChStr, "40"}, {view->txtChAgi, "30.5"},
        {view->txtChDam, "50"}, {view->txtChDef, "25"}, {view->txtChHP, "150"}};
    for (const auto& [box, value] : character)
        type(box, value);
    pick(view->cboMonsterList, 13);
    type(view->txtHP, "300");
    balance.refreshNow();
    ASSERT_FALSE(balance.table().differences().empty());
    QApplication::clipboard()->clear();
    QApplication::setActiveWindow(&balance);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&balance));
    QTest::keyClick(balance.heatMap(), Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    QApplication::clipboard()->clear();
    balance.findChild<QPushButton*>("copyTable")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), copied);

    // The same files with the edit saved, and the same profiles, through the command.
    const std::filesystem::path other = file("other");
    demo::writeDemoData(other);
    writeMonsterRecord(other / kMonsterFileName, 13, view->stats().recordOnScreen());
    writeText(
        other / "profiles.csv",
        "name,level,strength,agility,item_damage,item_defense,hp\nOn screen,7,40,30.5,50,25,150\n" +
            text("characters.csv").substr(text("characters.csv").find('\n') + 1));
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(cli::runCli({"valmor-data", "-C", other.string(), "balance", "--characters",
                           (other / "profiles.csv").string()},
                          in, out, err, false),
              0)
        << err.str();
    const Table command = csvCells(out.str());
    EXPECT_EQ(command.size(), 1 + 268u * 21);
    EXPECT_EQ(tsvCells(copied), command);
}

TEST_F(BalanceWindowTest, ANameKeepsToItsCellInTheCopiedTable) {
    const struct {
        const char* inCsv;
        const char* copied;
    } names[] = {{"Tab\there", "Tab here"},
                 {"Line\nend", "Line end"},
                 {"Carriage\rreturn", "Carriage return"},
                 {"Both\r\nends", "Both  ends"}};
    std::string table = profileTable(0);
    for (const auto& name : names)
        table += '"' + std::string(name.inCsv) + "\",5,30,23,34,17,105\n";
    writeText(file("characters.csv"), table);
    BalanceWindow& balance = open();
    ASSERT_EQ(balance.table().profileCount(), std::size(names));
    const QString copied = balance.tableText();
    EXPECT_FALSE(copied.contains('\r'));
    const QStringList lines = copied.split('\n');
    ASSERT_EQ(lines.size(), 1 + 268 * std::size(names) + 1); // the last line ends too
    for (qsizetype line = 1; line + 1 < lines.size(); ++line) {
        const QStringList cells = lines[line].split('\t');
        ASSERT_EQ(cells.size(), static_cast<qsizetype>(kMapColumns.size())) << line;
        EXPECT_EQ(cells[1], names[(line - 1) % std::size(names)].copied) << line;
    }
}

struct DescribedRow {
    const char* name;
    QLineEdit* MainWindowTestView::*box;
    const char* typed;
    const char* described; // a text the new description holds
};

TEST_F(BalanceWindowTest, TheCursorsDescriptionFollowsItsCell) {
    // A row On screen strong enough to beat every monster, so that its cells show numbers.
    const std::pair<QLineEdit*, const char*> character[] = {
        {view->txtChLvl, "20"},  {view->txtChStr, "100"}, {view->txtChAgi, "20"},
        {view->txtChDam, "300"}, {view->txtChDef, "5"},   {view->txtChHP, "500"}};
    for (const auto& [box, value] : character)
        type(box, value);
    BalanceWindow& balance = open();
    BalanceHeatMap& heatMap = *balance.heatMap();
    pick(view->cboMonsterList, 13);
    balance.refreshNow();
    const std::vector<MonsterPlace> places = balance.table().shown().placesOf(13);
    ASSERT_FALSE(places.empty());
    const BalanceCell cell{places.front().map, 0};
    heatMap.setCursorCell(cell);
    const DescribedRow rows[] = {
        {"its numbers", &MainWindowTestView::txtHP, "2000", "Damage share "},
        {"a monster's name", &MainWindowTestView::txtName, "Zed", " 13 Zed "},
    };
    for (const DescribedRow& row : rows) {
        SCOPED_TRACE(row.name);
        QLineEdit* box = (*view).*row.box;
        const QString good = box->text();
        const QString before = heatMap.accessibleDescription();
        type(box, row.typed);
        balance.refreshNow();
        EXPECT_NE(heatMap.accessibleDescription(), before);
        EXPECT_TRUE(heatMap.accessibleDescription().contains(row.described))
            << heatMap.accessibleDescription().toStdString();
        // The demo's targets.csv gives the cell a band, which the description names last.
        EXPECT_EQ(heatMap.accessibleDescription(),
                  cellDescription(balance.table(), cell) + '\n' +
                      targetLine(balance.targets().band(cell),
                                 balance.table().shown().outcome(cell), nullptr));
        type(box, good);
        balance.refreshNow();
        EXPECT_EQ(heatMap.accessibleDescription(), before);
    }
}

TEST_F(BalanceWindowTest, AClickOrEnterPicksTheMapAsTheMapListDoes) {
    writeText(
        file("characters.csv"),
        "name,level,strength,agility,item_damage,item_defense,hp\n<img src=x>,5,30,23,34,17,105\n");
    BalanceWindow& balance = open();
    BalanceHeatMap& heatMap = *balance.heatMap();
    const std::vector<EncounterRecord> maps = readAllEncounterRecords(file(kEncounterFileName));
    const auto shows = [&](int map) {
        EXPECT_EQ(view->cboMapIndex->currentIndex(), map - 1);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(view->txtMonFreq[i]->text().toStdString(),
                      FormatInt(maps[map - 1].monFreq[i]));
            EXPECT_EQ(view->txtMonIndex[i]->text().toStdString(),
                      FormatInt(maps[map - 1].monIndex[i]));
        }
    };
    QTest::mouseClick(&heatMap, Qt::LeftButton, {}, heatMap.cellRect({11, 0}).center());
    shows(12);
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(&heatMap, Qt::Key_Right);
    EXPECT_TRUE(heatMap.accessibleDescription().startsWith("Map 15, <img src=x>: "))
        << heatMap.accessibleDescription().toStdString();
    QTest::keyClick(&heatMap, Qt::Key_Return);
    shows(15);
    EXPECT_TRUE(errors.empty());

    // A name that looks like markup shows as typed.
    QHelpEvent hover(QEvent::ToolTip, heatMap.cellRect({14, 0}).center(),
                     heatMap.mapToGlobal(heatMap.cellRect({14, 0}).center()));
    QApplication::sendEvent(&heatMap, &hover);
    EXPECT_TRUE(QToolTip::text().contains("&lt;img src=x&gt;")) << QToolTip::text().toStdString();
    EXPECT_FALSE(QToolTip::text().contains("<img"));
    QToolTip::hideText();
}

TEST(BalanceStartTest, BalanceOptionOpensTheWindowAtStart) {
    const struct {
        std::vector<const char*> arguments;
        bool opens;
    } rows[] = {{{"valmor-editor"}, false},
                {{"valmor-editor", "--balance"}, true},
                {{"valmor-editor", "-b", "."}, true},
                {{"valmor-editor", ".", "--balance"}, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(rowName(rows, row));
        const StartArguments start = readStartArguments(
            commandLine(static_cast<int>(row.arguments.size()), row.arguments.data()), ".");
        EXPECT_EQ(start.outcome, StartArguments::Outcome::Run);
        EXPECT_EQ(start.openBalance, row.opens);
    }
    const char* help[] = {"valmor-editor", "--help"};
    EXPECT_TRUE(readStartArguments(commandLine(2, help), ".").text.contains("--balance"));
}

} // namespace
} // namespace valmor::test
