// The main window's undo history driven as a user drives it, by keys in the shown window:
// typed changes, picks and Saves of both editors undone and redone in the order they were
// made, the totals, the title's modified mark and the balance window following; a Save
// undone writes nothing; a Save that fails names and focuses its box.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include "demo/demo_data.h"
#include "editor/balance/balance_window.h"
#include "editor_fixture.h"

namespace valmor::test {
namespace {

class UndoTest : public ShownEditorTest {
protected:
    void key(int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void undo() { key(Qt::Key_Z, Qt::ControlModifier); }
    void redo() { key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
    void redoByY() { key(Qt::Key_Y, Qt::ControlModifier); }

    // What a row looks at after each step.
    QStringList shown() const {
        return {view->cboMonsterList->currentText(),
                view->txtGold->text(),
                view->txtName->text(),
                view->cboMapIndex->currentText(),
                view->txtMonFreq[0]->text(),
                view->txtTotalFreq->text(),
                window->isWindowModified() ? "modified" : "saved"};
    }

    // Each editor as a row: its list, a box of it, its Save and its file.
    struct EditorRow {
        const char* editor;
        QComboBox* list;
        QLineEdit* box;
        QPushButton* save;
        const char* file;
        std::size_t offset; // of the box's field for monster 9 or map 10
    };
    std::vector<EditorRow> editorRows() const {
        return {{"monster", view->cboMonsterList, view->txtGold, view->cmdSave, kMonsterFileName,
                 9 * 86 + 14},
                {"map", view->cboMapIndex, view->txtMonFreq[1], view->cmdSaveFreq,
                 kEncounterFileName, 9 * 26 + 12}};
    }

    QString gold;
};

TEST_F(UndoTest, KeysUndoAndRedoEveryStepOfBothEditorsInTheOrderMade) {
    pick(view->cboMonsterList, 9);
    const QString gold9 = view->txtGold->text();
    pick(view->cboMapIndex, 11);
    const QString name = view->txtName->text();
    type(view->txtGold, "222");      // three keys, one step
    type(view->txtMonFreq[0], "33"); // another box: a new step
    type(view->txtName, "Ogre");
    type(view->txtName, "Ogress"); // the same box again: merged
    const QStringList picked{"9", gold9, name, "12", "20", "100", "saved"};
    const QStringList afterGold{"9", "222", name, "12", "20", "100", "modified"};
    const QStringList afterFreq{"9", "222", name, "12", "33", "113", "modified"};
    const QStringList afterName{"9", "222", "Ogress", "12", "33", "113", "modified"};
    const QStringList nothingPicked{"Pick Monster", "", "", "Map #", "", "0", "saved"};
    const QStringList monsterOnly{"9", gold9, name, "Map #", "", "0", "saved"};
    ASSERT_EQ(shown(), afterName);
    const struct {
        const char* step;
        std::function<void()> press;
        QWidget* focus; // where the focus is for the key
        QStringList after;
    } rows[] = {
        {"undo the name", [this] { undo(); }, view->txtName, afterFreq},
        {"undo the frequency", [this] { undo(); }, view->txtName, afterGold},
        {"undo the gold, the focus in the calculator", [this] { undo(); }, view->txtChLvl, picked},
        {"undo the map pick", [this] { undo(); }, view->txtMonFreq[0], monsterOnly},
        {"undo the monster pick", [this] { undo(); }, view->cboMonsterList, nothingPicked},
        {"nothing left to undo", [this] { undo(); }, view->txtGold, nothingPicked},
        {"redo the monster pick", [this] { redo(); }, view->txtGold, monsterOnly},
        {"redo the map pick by Ctrl+Y", [this] { redoByY(); }, view->txtGold, picked},
        {"redo the gold in its own box", [this] { redo(); }, view->txtGold, afterGold},
        {"redo the frequency", [this] { redoByY(); }, view->cboMapIndex, afterFreq},
        {"redo the name", [this] { redo(); }, view->txtTotalFreq, afterName},
        {"nothing left to redo", [this] { redo(); }, view->txtName, afterName},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        row.focus->setFocus();
        row.press();
        EXPECT_EQ(shown(), row.after);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(UndoTest, APickUndoneBringsBackTheRecordLeftWithItsEdits) {
    const std::vector<EditorRow> rows = editorRows();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.editor);
        pick(row.list, 9);
        const QImage picture = view->pic1->image();
        type(row.box, "77");
        pick(row.list, 20);
        EXPECT_NE(row.box->text(), "77");
        EXPECT_FALSE(window->isWindowModified());
        undo();
        EXPECT_EQ(row.list->currentIndex(), 9);
        EXPECT_EQ(row.box->text(), "77");
        EXPECT_EQ(view->pic1->image(), picture);
        EXPECT_TRUE(window->isWindowModified());
        // The edits brought back are saved to the record they were typed for.
        row.save->click();
        EXPECT_EQ(readBytes(file(row.file)).at(row.offset), 77);
        EXPECT_FALSE(window->isWindowModified());
        // The Save is a step of its own: the pick undone cannot be redone past it.
        redo();
        EXPECT_EQ(row.list->currentIndex(), 9);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(UndoTest, ASaveUndoneGivesUnsavedEditsAndWritesNothing) {
    const struct {
        const char* editor;
        QComboBox* list;
        int position;
        QLineEdit* box;
        QPushButton* save;
        const char* file;
    } rows[] = {
        {"monster", view->cboMonsterList, 9, view->txtHP, view->cmdSave, kMonsterFileName},
        {"map", view->cboMapIndex, 11, view->txtMonFreq[2], view->cmdSaveFreq, kEncounterFileName},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.editor);
        pick(row.list, row.position);
        const QString before = row.box->text();
        const Bytes stored = readBytes(file(row.file));
        type(row.box, "55");
        row.save->click();
        const Bytes saved = readBytes(file(row.file));
        ASSERT_NE(saved, stored);
        EXPECT_FALSE(window->isWindowModified());
        undo();
        EXPECT_EQ(row.box->text(), before);
        EXPECT_TRUE(window->isWindowModified());
        EXPECT_EQ(readBytes(file(row.file)), saved);
        redo();
        EXPECT_EQ(row.box->text(), "55");
        EXPECT_FALSE(window->isWindowModified());
        EXPECT_EQ(readBytes(file(row.file)), saved);
        // Undone and saved again: the values before come back to the file, and the Save
        // checks the record against what the first Save wrote, so no conflict is seen.
        undo();
        row.save->click();
        EXPECT_EQ(readBytes(file(row.file)), stored);
        EXPECT_FALSE(window->isWindowModified());
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(UndoTest, APickRedonePastItsSaveChecksAgainstWhatThatSaveWrote) {
    const std::vector<EditorRow> rows = editorRows();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.editor);
        pick(row.list, 9);
        type(row.box, "55");
        row.save->click();
        // Back to before the pick, then forward again: the pick shows the record as it
        // was read, before the Save.
        undo(), undo(), undo();
        redo(), redo(), redo();
        EXPECT_EQ(row.box->text(), "55");
        EXPECT_FALSE(window->isWindowModified());
        type(row.box, "66");
        row.save->click();
        EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0].what());
        EXPECT_EQ(readBytes(file(row.file)).at(row.offset), 66);
        errors.clear();
    }
}

TEST_F(UndoTest, AFailedSaveNamesTheBoxWithItsTextAndFocusesIt) {
    const struct {
        QComboBox* list;
        QLineEdit* box;
        const char* typed;
        std::optional<ErrorKind> kind; // none: the Save writes
        std::string subject;
    } rows[] = {
        {view->cboMonsterList, view->txtS1target, "x", ErrorKind::TypeMismatch, R"(Target1: "x")"},
        {view->cboMonsterList, view->txtHP, "40000", ErrorKind::Overflow, R"(HP: "40000")"},
        {view->cboMonsterList, view->txtName, "", std::nullopt, ""},
        {view->cboMapIndex, view->txtMonFreq[4], "1e300", ErrorKind::Overflow,
         R"(Monster 5 frequency: "1e300")"},
        // Pasted, as no key types it: its control character is shown escaped.
        {view->cboMonsterList, view->txtS2target, "\x1B[2J", ErrorKind::TypeMismatch,
         R"(Target2: "\x1B[2J")"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        const bool monster = row.list == view->cboMonsterList;
        pick(row.list, 9);
        const Bytes before = monster ? monstersFile() : encounterFile();
        if (row.typed[0] == '\x1B')
            row.box->setText(QString::fromLatin1(row.typed));
        else
            type(row.box, row.typed);
        view->txtChLvl->setFocus();
        errors.clear();
        (monster ? view->cmdSave : view->cmdSaveFreq)->click();
        if (!row.kind) {
            EXPECT_TRUE(errors.empty());
            continue;
        }
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].kind(), row.kind);
        EXPECT_EQ(errors[0].subject(), row.subject);
        EXPECT_EQ(QApplication::focusWidget(), row.box);
        EXPECT_EQ(monster ? monstersFile() : encounterFile(), before);
    }
}

TEST_F(UndoTest, TheModifiedMarkShowsWhileThePickedRecordHasUnsavedEdits) {
    const struct {
        const char* step;
        std::function<void()> run;
        bool modified;
    } rows[] = {
        {"a box typed in before any pick", [this] { type(view->txtGold, "5"); }, false},
        {"monster 3 picked", [this] { pick(view->cboMonsterList, 3); }, false},
        {"its gold typed", [this] { gold = view->txtGold->text(), type(view->txtGold, "999"); },
         true},
        {"the gold typed back as it was", [this] { type(view->txtGold, gold); }, false},
        {"undone: typed back, the typing left no step, so the pick goes", [this] { undo(); },
         false},
        {"a map's frequency typed",
         [this] { pick(view->cboMapIndex, 4), type(view->txtMonFreq[3], "1"); }, true},
        {"the map saved", [this] { view->cmdSaveFreq->click(); }, false},
        {"the calculator typed in", [this] { type(view->txtChLvl, "12"); }, false},
        {"the Save undone", [this] { undo(); }, true},
        {"another monster picked", [this] { pick(view->cboMonsterList, 4); }, true},
        {"that pick undone", [this] { undo(); }, true},
        {"redone: the pick, as the Save's redo went with it", [this] { redo(); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        row.run();
        EXPECT_EQ(window->isWindowModified(), row.modified);
        // Qt shows the mark in place of "[*]" only while modified.
        EXPECT_EQ(window->windowHandle()->title(),
                  row.modified ? "VALMOR Monster Editor*" : "VALMOR Monster Editor");
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(UndoTest, HistoryIsBoundedAndEachBoxTypedIntoIsOneStep) {
    pick(view->cboMonsterList, 1);
    const int afterPick = view->history().count();
    EXPECT_EQ(afterPick, 1);
    for (int i = 0; i < 3; ++i) {
        type(view->txtGold, QString::number(100 + i));
        type(view->txtExp, QString::number(200 + i));
    }
    EXPECT_EQ(view->history().count(), afterPick + 6);
    for (int i = 0; i < 1200; ++i)
        type(i % 2 == 0 ? view->txtGold : view->txtExp, QString::number(i));
    EXPECT_EQ(view->history().count(), 1000);
}

class UndoBalanceTest : public EditorTest {
protected:
    void SetUp() override {
        demo::writeDemoData(dir_, true, true);
        start();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST_F(UndoBalanceTest, TheWhatIfFollowsUndoAndRedoAndTheHeaderNamesUnsavedRecords) {
    window->openBalanceWindow();
    BalanceWindow& balance = *view->balanceWindow();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    pick(view->cboMonsterList, 13);
    pick(view->cboMapIndex, 60);
    const auto undo = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    };
    const auto redo = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
    };
    const struct {
        const char* step;
        std::function<void()> run;
        bool changes; // the what-if differs from the files
        const char* unsaved;
    } rows[] = {
        {"monster HP typed", [this] { type(view->txtHP, "300"); }, true, "monster 13"},
        {"map frequency typed", [this] { type(view->txtMonFreq_0, "0"); }, true,
         "monster 13, map 61"},
        {"frequency undone", undo, true, "monster 13"},
        {"HP undone", undo, false, ""},
        {"HP redone", redo, true, "monster 13"},
        {"monster saved", [this] { view->cmdSave->click(); }, false, ""},
        {"the Save undone", undo, true, "monster 13"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        row.run();
        balance.refreshNow();
        EXPECT_EQ(!balance.table().differences().empty(), row.changes);
        const QString header = balance.headerText().section('\n', 0, 0);
        if (*row.unsaved == '\0')
            EXPECT_FALSE(header.contains("Unsaved")) << header.toStdString();
        else
            EXPECT_TRUE(header.endsWith(QStringLiteral("     Unsaved edits: %1").arg(row.unsaved)))
                << header.toStdString();
    }
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace valmor::test
