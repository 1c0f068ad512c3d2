// The game folder the editor works in: opened once, so a rename of its path does not move a
// Save and the working directory never changes; Ctrl+O and what it asks about unsaved edits;
// the settings it keeps, and that a test run keeps them away from the user's own.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include "editor/balance/balance_window.h"
#include "editor/editor_settings.h"
#include "editor/preview/preview_window.h"
#include "editor_fixture.h"
#include "game/item_list.h"
#include "game/palette.h"
#include "game/sprite.h"
#include "settings_isolation.h"

namespace valmor::test {
namespace {

using Unsaved = FolderPrompts::Unsaved;

std::filesystem::path workingDirectory() {
    std::string buffer(PATH_MAX, '\0');
    return ::getcwd(buffer.data(), buffer.size()) != nullptr ? buffer.c_str() : "";
}

// The main window on dir_ and a second game folder, `other`, whose monster 3 and map 2 differ.
class GameFolderTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        other = dir_ / "other";
        std::filesystem::create_directory(other);
        for (const char* name : {kPaletteFileName, kSpriteFileName, kItemListFileName,
                                 kMonsterFileName, kEncounterFileName})
            std::filesystem::copy_file(file(name), other / name);
        MonsterRecord monster = readMonsterRecord(other / kMonsterFileName, 3);
        monster.hp = 999;
        writeMonsterRecord(other / kMonsterFileName, 3, monster);
        EncounterRecord map = readEncounterRecord(other / kEncounterFileName, 2);
        map.monFreq[0] = 77;
        writeEncounterRecord(other / kEncounterFileName, 2, map);
        start();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Ctrl+O, answering `answer` when asked and choosing `chosen` (nothing: Cancel).
    void openWithCtrlO(Unsaved answer, std::optional<std::filesystem::path> chosen) {
        window->setFolderPrompts({[this, answer](QWidget*, const QString& records) {
                                      askedAbout.append(records);
                                      return answer;
                                  },
                                  [this, chosen](QWidget*, const std::filesystem::path& startIn) {
                                      dialogsIn.push_back(startIn);
                                      return chosen;
                                  }});
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    }

    // Monster 3 and map 2 picked, with a typed edit in each.
    void editMonsterAndMap(const QString& hp = QStringLiteral("123")) {
        pick(view->cboMonsterList, 3);
        type(view->txtHP, hp);
        pick(view->cboMapIndex, 1);
        type(view->txtMonFreq_0, QStringLiteral("42"));
    }

    std::filesystem::path other;
    QStringList askedAbout;
    std::vector<std::filesystem::path> dialogsIn;
};

struct AnswerRow {
    const char* name;
    Unsaved answer;
    const char* hp;        // typed into the picked monster's HP box
    bool switches;         // the editor works on `other` afterwards
    bool savedInFirst;     // the typed values reached dir_'s files
    bool dialogShown;      // the folder dialog opened
    const char* hpShown;   // the HP box afterwards
    const char* freqShown; // the first frequency box afterwards
    std::vector<ErrorKind> reported;
};

void PrintTo(const AnswerRow& row, std::ostream* out) {
    *out << row.name;
}

class UnsavedEditsTest : public GameFolderTest, public ::testing::WithParamInterface<AnswerRow> {};

TEST_P(UnsavedEditsTest, CtrlOAsksFirstAndDoesWhatTheAnswerSays) {
    const AnswerRow& row = GetParam();
    const std::int16_t storedHp = readMonsterRecord(file(kMonsterFileName), 3).hp;
    editMonsterAndMap(QString::fromLatin1(row.hp));
    const int steps = view->history().count();
    openWithCtrlO(row.answer, other);

    EXPECT_EQ(askedAbout, QStringList{QStringLiteral("monster 3, map 2")});
    EXPECT_EQ(dialogsIn.size(), row.dialogShown ? 1u : 0u);
    EXPECT_EQ(errorKinds(), row.reported);
    EXPECT_EQ(view->txtHP->text(), row.hpShown);
    EXPECT_EQ(view->txtMonFreq_0->text(), row.freqShown);
    EXPECT_EQ(view->cboMonsterList->currentIndex(), 3);
    EXPECT_EQ(view->cboMapIndex->currentIndex(), 1);
    EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 3).hp, row.savedInFirst ? 123 : storedHp);
    EXPECT_EQ(readEncounterRecord(file(kEncounterFileName), 2).monFreq[0],
              row.savedInFirst ? 42 : 20);
    // The other folder's files are never written.
    EXPECT_EQ(readMonsterRecord(other / kMonsterFileName, 3).hp, 999);
    EXPECT_EQ(readEncounterRecord(other / kEncounterFileName, 2).monFreq[0], 77);
    // Switched: a fresh history and nothing unsaved. Stayed: every step and edit kept.
    EXPECT_EQ(view->history().count(), row.switches ? 0 : steps);
    EXPECT_EQ(window->isWindowModified(), !row.switches && !row.savedInFirst);

    // Where a Save goes now tells which folder the editor works on.
    errors.clear();
    type(view->txtHP, QStringLiteral("555"));
    view->cmdSave->click();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(readMonsterRecord((row.switches ? other : dir_) / kMonsterFileName, 3).hp, 555);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnsavedEditsTest,
    // clang-format off
    ::testing::Values(
        //        name                                       answer           HP typed  switches
        //        saved  dialog  HP shown  freq shown  reported
        AnswerRow{"CancelKeepsEverything",                   Unsaved::Cancel,  "123",   false,
                  false, false,  "123",    "42",       {}},
        AnswerRow{"DiscardSwitchesAndPicksFromTheNewFolder", Unsaved::Discard, "123",   true,
                  false, true,   "999",    "77",       {}},
        AnswerRow{"SaveWritesThenSwitches",                  Unsaved::Save,    "123",   true,
                  true,  true,   "999",    "77",       {}},
        AnswerRow{"AFailedSaveKeepsTheFolderAndTheEdits",    Unsaved::Save,    "40000", false,
                  false, false,  "40000",  "42",       {ErrorKind::Overflow}}),
    // clang-format on
    [](const ::testing::TestParamInfo<AnswerRow>& info) { return std::string(info.param.name); });

TEST_F(GameFolderTest, WithoutUnsavedEditsNothingIsAskedAndACancelledDialogChangesNothing) {
    pick(view->cboMonsterList, 3);
    openWithCtrlO(Unsaved::Cancel, std::nullopt);
    EXPECT_TRUE(askedAbout.isEmpty());
    ASSERT_EQ(dialogsIn.size(), 1u);
    EXPECT_NE(view->txtHP->text(), "999");
    openWithCtrlO(Unsaved::Cancel, other);
    EXPECT_EQ(view->txtHP->text(), "999");
    EXPECT_TRUE(errors.empty());
}

// A folder that fails is reported as start-up reports it, and the editor stays where it was.
TEST_F(GameFolderTest, AFolderThatFailsIsReportedAsAtStartUpAndKeepsTheOldOne) {
    struct Row {
        const char* name;
        std::function<void(const std::filesystem::path&)> spoil;
    };
    const Row rows[] = {
        {"no palette",
         [](const auto& folder) { std::filesystem::remove(folder / kPaletteFileName); }},
        {"item list is a folder",
         [](const auto& folder) {
             std::filesystem::remove(folder / kItemListFileName);
             std::filesystem::create_directory(folder / kItemListFileName);
         }},
        {"gone", [](const auto& folder) { std::filesystem::remove_all(folder); }},
    };
    editMonsterAndMap();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::filesystem::path spoilt = dir_ / (std::string("spoilt ") + row.name);
        std::filesystem::copy(other, spoilt);
        row.spoil(spoilt);
        errors.clear();
        openWithCtrlO(Unsaved::Discard, spoilt);
        ASSERT_EQ(errors.size(), 1u);
        // The same error as a window started on that folder reports.
        MainWindow started(spoilt);
        try {
            started.loadGameFolder();
            ADD_FAILURE() << "start-up did not fail";
        } catch (const DataError& error) {
            EXPECT_EQ(errors[0].kind(), error.kind());
            EXPECT_EQ(errors[0].subject(), error.subject());
        }
        EXPECT_EQ(view->txtHP->text(), "123");
        EXPECT_TRUE(window->isWindowModified());
    }
    errors.clear();
    view->cmdSave->click();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 3).hp, 123);
}

// The switch is made; a picked record the new folder does not have, or cannot read, is no
// longer picked, and its error is reported once the switch is done.
TEST_F(GameFolderTest, APickedRecordTheNewFolderCannotShowIsNoLongerPicked) {
    struct Row {
        const char* name;
        std::function<void(const std::filesystem::path&)> spoil;
        std::vector<ErrorKind> reported;
    };
    const Row rows[] = {
        {"past the sprites",
         [](const auto& folder) { writeBytes(folder / kSpriteFileName, fixtureSprites(2)); },
         {}},
        {"stats file is a folder",
         [](const auto& folder) {
             std::filesystem::remove(folder / kMonsterFileName);
             std::filesystem::create_directory(folder / kMonsterFileName);
         },
         {ErrorKind::IsAFolder}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::filesystem::path spoilt = dir_ / (std::string("spoilt ") + row.name);
        std::filesystem::copy(other, spoilt);
        row.spoil(spoilt);
        pick(view->cboMonsterList, 3);
        pick(view->cboMapIndex, 1);
        errors.clear();
        openWithCtrlO(Unsaved::Cancel, spoilt);
        EXPECT_EQ(errorKinds(), row.reported);
        EXPECT_EQ(view->cboMonsterList->currentIndex(), -1);
        EXPECT_EQ(view->txtMonFreq_0->text(), "77");
        EXPECT_EQ(view->history().count(), 0);
        EXPECT_FALSE(window->isWindowModified());
        // Back to the first folder for the next row.
        openWithCtrlO(Unsaved::Cancel, dir_);
    }
}

TEST_F(GameFolderTest, TheDialogOpensInTheLastFolderUsed) {
    const std::filesystem::path gone = dir_ / "gone";
    struct Row {
        const char* name;
        std::function<void(QSettings&)> keep;
        std::filesystem::path expected;
    };
    const Row rows[] = {
        {"nothing kept: the folder worked on", [](QSettings&) {}, dir_},
        {"the last folder opened",
         [&](QSettings& settings) {
             settings.beginWriteArray("recentFolders");
             settings.setArrayIndex(0);
             settings.setValue("path", QByteArray::fromStdString(other.native()));
             settings.endArray();
         },
         other},
        {"a folder that is gone is passed over",
         [&](QSettings& settings) {
             settings.beginWriteArray("recentFolders");
             settings.setArrayIndex(0);
             settings.setValue("path", QByteArray::fromStdString(gone.native()));
             settings.setArrayIndex(1);
             settings.setValue("path", QByteArray::fromStdString(other.native()));
             settings.endArray();
         },
         other},
        {"a relative name, a number and a huge count are ignored",
         [](QSettings& settings) {
             settings.beginWriteArray("recentFolders", 2000000000);
             settings.setArrayIndex(0);
             settings.setValue("path", QByteArray("other"));
             settings.setArrayIndex(1);
             settings.setValue("path", 12);
             settings.endArray();
         },
         dir_},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QSettings settings;
        settings.clear();
        row.keep(settings);
        settings.sync();
        dialogsIn.clear();
        openWithCtrlO(Unsaved::Cancel, std::nullopt);
        ASSERT_EQ(dialogsIn.size(), 1u);
        EXPECT_EQ(dialogsIn[0], row.expected);
    }
    // A folder opened is the next one the dialog starts in.
    QSettings().clear();
    openWithCtrlO(Unsaved::Cancel, other);
    dialogsIn.clear();
    openWithCtrlO(Unsaved::Cancel, std::nullopt);
    ASSERT_EQ(dialogsIn.size(), 1u);
    EXPECT_EQ(dialogsIn[0], other);
}

TEST_F(GameFolderTest, TheWorkingDirectoryNeverChanges) {
    const std::filesystem::path before = workingDirectory();
    editMonsterAndMap();
    view->cmdSave->click();
    view->cmdPreview1->click();
    window->openBalanceWindow();
    openWithCtrlO(Unsaved::Save, other);
    view->cmdSaveFreq->click();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(workingDirectory(), before);
}

// The folder is opened once: a Save after its path was renamed, and another folder put in
// its place, goes to the folder the editor opened.
TEST_F(GameFolderTest, ASaveAfterTheFolderWasRenamedGoesToTheOpenedFolder) {
    pick(view->cboMonsterList, 3);
    const std::filesystem::path moved = dir_.string() + "-moved";
    std::filesystem::rename(dir_, moved);
    std::filesystem::copy(moved, dir_, std::filesystem::copy_options::recursive);
    type(view->txtHP, QStringLiteral("321"));
    view->cmdSave->click();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(readMonsterRecord(moved / kMonsterFileName, 3).hp, 321);
    EXPECT_NE(readMonsterRecord(file(kMonsterFileName), 3).hp, 321);
    std::filesystem::remove_all(moved);
}

TEST_F(GameFolderTest, TheBalanceWindowFollowsTheNewFolder) {
    window->openBalanceWindow();
    QPointer<BalanceWindow> balance = view->balanceWindow();
    ASSERT_TRUE(balance);
    openWithCtrlO(Unsaved::Cancel, other);
    ASSERT_TRUE(view->balanceWindow() != nullptr);
    EXPECT_TRUE(view->balanceWindow()->isVisible());
    EXPECT_TRUE(view->balanceWindow()->headerText().contains(
        QString::fromStdString("Folder: " + other.string())))
        << view->balanceWindow()->headerText().toStdString();
}

// The balance and preview windows are windows of the main one, deleted with it.
TEST_F(GameFolderTest, TheMainWindowOwnsTheWindowsItOpens) {
    window->openBalanceWindow();
    view->cmdPreview1->click();
    const QPointer<QWidget> balance = view->balanceWindow();
    const QPointer<QWidget> preview = view->previewWindow(1);
    ASSERT_TRUE(balance && preview);
    for (QWidget* opened : {balance.data(), preview.data()}) {
        EXPECT_EQ(opened->parentWidget(), window.get());
        EXPECT_TRUE(opened->isWindow());
    }
    view.reset();
    window.reset();
    EXPECT_FALSE(balance);
    EXPECT_FALSE(preview);
}

TEST_F(GameFolderTest, TheBalanceWindowKeepsItsPlaceAndColouringAndIgnoresHostileOnes) {
    const QRect screen = window->screen()->availableGeometry();
    struct Row {
        const char* name;
        QVariant place;
        QVariant colouring;
        bool placeTaken;
        bool defeat;
    };
    const QRect fits(screen.left() + 10, screen.top() + 20, 700, 500);
    const Row rows[] = {
        {"kept", fits, "defeat chance", true, true},
        {"huge", QRect(0, 0, 1 << 30, 1 << 30), "damage share", false, false},
        {"too small", QRect(fits.topLeft(), QSize(3, 3)), "defeat chance", false, true},
        {"not a rectangle", QByteArray(100000, 'x'), "ruby red", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            QSettings settings;
            settings.setValue("balance/place", row.place);
            settings.setValue("balance/colouring", row.colouring);
        }
        window->openBalanceWindow();
        BalanceWindow* balance = view->balanceWindow();
        ASSERT_NE(balance, nullptr);
        EXPECT_EQ(balance->geometry() == fits, row.placeTaken) << row.name;
        EXPECT_LE(balance->width(), screen.width());
        EXPECT_EQ(balance->findChildren<QRadioButton*>()[1]->isChecked(), row.defeat);
        balance->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // What the user makes of it is what the next one shows.
    window->openBalanceWindow();
    view->balanceWindow()->setGeometry(fits);
    view->balanceWindow()->findChildren<QRadioButton*>()[1]->click();
    view->balanceWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(balanceWindowPlace(screen, QSize(1, 1)), fits);
    EXPECT_EQ(balanceWindowColouring(), BalanceMeasure::DefeatChance);
}

// Everything above wrote settings; none of it reached HOME or its configuration folder.
TEST_F(GameFolderTest, SettingsNeverReachTheUsersOwnFolders) {
    openWithCtrlO(Unsaved::Cancel, other);
    window->openBalanceWindow();
    view->balanceWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QSettings().sync();
    EXPECT_EQ(QSettings().fileName().toStdString().rfind(testSettingsFolder().string(), 0), 0u)
        << QSettings().fileName().toStdString();
    EXPECT_TRUE(std::filesystem::exists(QSettings().fileName().toStdString()));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(testHome()))
        written.push_back(entry.path().string());
    EXPECT_EQ(written, std::vector<std::string>{});
}

// What stands at the settings file's name and is no plain file of its own is neither read nor
// written: a link would have the editor write over the file it leads to, a pipe would never
// let its open return. Both hold settings that would show if they were read.
TEST_F(GameFolderTest, ASettingsFileThatIsNoPlainFileIsNeitherReadNorWritten) {
    const std::filesystem::path settings = QSettings().fileName().toStdString();
    const std::filesystem::path notes = dir_ / "notes.ini";
    const std::string kept = "[balance]\ncolouring=defeat chance\n";
    const struct {
        const char* what;
        std::function<void()> plant;
    } cases[] = {
        {"a link to a user's file",
         [&] {
             writeText(notes, kept);
             std::filesystem::create_symlink(notes, settings);
         }},
        {"a named pipe", [&] { ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(settings);
        std::filesystem::create_directories(settings.parent_path());
        c.plant();
        // Held open for writing with settings in it, so that a read would find them at once.
        const int pipe = ::open(settings.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (std::string(c.what) == "a named pipe") {
            ASSERT_EQ(::write(pipe, kept.data(), kept.size()), static_cast<ssize_t>(kept.size()));
        }
        EXPECT_EQ(balanceWindowColouring(), std::nullopt);
        keepBalanceWindowColouring(BalanceMeasure::DamageShare);
        noteGameFolderUsed(dir_);
        QSettings().sync();
        if (std::filesystem::is_symlink(settings)) {
            EXPECT_EQ(readText(notes), kept);
        }
        ::close(pipe);
        std::filesystem::remove(settings);
    }
}

using EditorProgramTest = TempDirTest;

// The real program on a folder: start-up reads it without entering it. A missing sprite file
// is made by start-up, which tells when it has run.
TEST_F(EditorProgramTest, NeverEntersItsFolder) {
    const std::filesystem::path game = dir_ / "game";
    std::filesystem::create_directory(game);
    writeText(game / kPaletteFileName, fixturePalette());
    writeText(game / kItemListFileName, fixtureItems(100));
    QProcess editor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    editor.setProcessEnvironment(environment);
    editor.setWorkingDirectory(QString::fromStdString(dir_.string()));
    editor.start(QStringLiteral(VALMOR_EDITOR_EXE), {QStringLiteral("game")});
    ASSERT_TRUE(editor.waitForStarted(30000));
    for (int waited = 0; !std::filesystem::exists(game / kSpriteFileName) && waited < 30000;
         waited += 10)
        QTest::qWait(10);
    const std::filesystem::path link = "/proc/" + std::to_string(editor.processId()) + "/cwd";
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::read_symlink(link, error);
    editor.kill();
    editor.waitForFinished(30000);
    ASSERT_TRUE(std::filesystem::exists(game / kSpriteFileName)) << "start-up did not run";
    EXPECT_EQ(cwd, std::filesystem::canonical(dir_)) << error.message();
}

} // namespace
} // namespace valmor::test
