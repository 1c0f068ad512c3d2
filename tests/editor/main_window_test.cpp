// The main window's start-up state, layout, keyboard handling, start-up failures, the
// error guard and Exit.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "editor/error_report.h"
#include "editor/preview/preview_window.h"
#include "editor_fixture.h"
#include "game/item_list.h"
#include "game/palette.h"
#include "game/sprite.h"
#include "modal_box.h"

namespace valmor::test {
namespace {

using MainWindowTest = EditorTest;

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->itemText(i));
    return texts;
}

TEST_F(MainWindowTest, StartsWithFilledListsAndNothingSelected) {
    start();
    EXPECT_EQ(view->lastMonsterIndex(), 56);
    ASSERT_EQ(view->cboMonsterList->count(), 57);
    EXPECT_EQ(view->cboMonsterList->itemText(0), "0");
    EXPECT_EQ(view->cboMonsterList->itemText(56), "56");
    ASSERT_EQ(view->cboMapIndex->count(), 268);
    EXPECT_EQ(view->cboMapIndex->itemText(0), "1");
    EXPECT_EQ(view->cboMapIndex->itemText(267), "268");
    EXPECT_EQ(view->cboItem1->count(), 100);
    EXPECT_EQ(entries(view->cboItem1), entries(view->cboItem2));
    EXPECT_EQ(view->cboItem1->itemText(99), "Item 99");

    const std::pair<QComboBox*, const char*> lists[] = {{view->cboMonsterList, "Pick Monster"},
                                                        {view->cboMapIndex, "Map #"},
                                                        {view->cboItem1, ""},
                                                        {view->cboItem2, ""}};
    for (const auto& [list, text] : lists) {
        EXPECT_EQ(list->currentIndex(), -1) << list->objectName().toStdString();
        EXPECT_EQ(list->currentText(), text) << list->objectName().toStdString();
    }
    const QList<QLineEdit*> boxes =
        window->findChildren<QLineEdit*>(QRegularExpression("^txt"), Qt::FindDirectChildrenOnly);
    EXPECT_EQ(boxes.size(), 51);
    for (const QLineEdit* box : boxes)
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindowTest, WindowIsFixedWithTheDesignedCaption) {
    start();
    // The title carries the modified mark's place, which shows nothing until an edit.
    EXPECT_EQ(window->windowTitle(), "VALMOR Monster Editor[*]");
    window->winId();
    EXPECT_EQ(window->windowHandle()->title(), "VALMOR Monster Editor");
    EXPECT_EQ(window->minimumSize(), QSize(637, 560));
    EXPECT_EQ(window->maximumSize(), QSize(637, 560));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());
    for (const QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(QRect(0, 0, 637, 560).contains(control->geometry()))
            << control->objectName().toStdString();
}

TEST_F(MainWindowTest, ControlsStandWhereDesigned) {
    start();
    // Twips divided by 15.
    const struct {
        const char* name;
        QRect geometry;
    } cases[] = {
        {"pic1", {8, 40, 100, 100}},           {"cboMonsterList", {16, 152, 89, 21}},
        {"txtName", {168, 48, 65, 19}},        {"cboItem1", {160, 144, 89, 21}},
        {"txtCanURun", {312, 360, 73, 19}},    {"cmdSave", {16, 184, 89, 33}},
        {"Command1", {16, 344, 89, 33}},       {"cmdPreview3", {16, 304, 89, 33}},
        {"txtChLvl", {536, 40, 65, 19}},       {"cmdCalculate", {440, 320, 121, 33}},
        {"txtMonIndex_4", {496, 464, 57, 19}}, {"txtNOMnum_2", {512, 512, 41, 19}},
        {"cboMapIndex", {208, 440, 57, 21}},   {"txtTotalMon", {568, 512, 57, 19}},
    };
    for (const auto& c : cases) {
        const auto* control = window->findChild<QWidget*>(c.name);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->geometry(), c.geometry) << c.name;
    }
}

TEST_F(MainWindowTest, CaptionsFitWithoutReachingIntoControls) {
    start();
    const QList<QWidget*> controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        EXPECT_GE(label->width(), label->sizeHint().width() - 1)
            << label->objectName().toStdString();
        // The caption as drawn: a trailing blank shows nothing.
        QString caption = label->text();
        while (caption.endsWith(' '))
            caption.chop(1);
        const QRect ink(label->pos(),
                        QSize(label->fontMetrics().horizontalAdvance(caption), label->height()));
        for (const QWidget* control : controls) {
            if (control == label || qobject_cast<const QLabel*>(control) ||
                control->objectName().startsWith("Line"))
                continue;
            EXPECT_FALSE(ink.intersects(control->geometry()))
                << label->objectName().toStdString() << " reaches into "
                << control->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowTest, FontsAreTheDesignSizes) {
    start();
    const struct {
        const char* name;
        int pixels;
        bool bold;
    } cases[] = {{"Label1", 11, false},      {"Label40", 13, true},  {"Label47", 11, true},
                 {"cmdCalculate", 16, true}, {"cmdSave", 18, false}, {"txtName", 11, false}};
    for (const auto& c : cases) {
        const QFontInfo info(window->findChild<QWidget*>(c.name)->font());
        EXPECT_EQ(info.pixelSize(), c.pixels) << c.name;
        EXPECT_EQ(info.bold(), c.bold) << c.name;
    }
}

TEST_F(MainWindowTest, InputLimitsAndReadOnlyResults) {
    start();
    EXPECT_EQ(view->txtName->maxLength(), 10);
    EXPECT_EQ(view->txtSpecial1->maxLength(), 12);
    EXPECT_EQ(view->txtSpecial2->maxLength(), 12);
    type(view->txtName, "ABCDEFGHIJK");
    EXPECT_EQ(view->txtName->text(), "ABCDEFGHIJ");
    type(view->txtGold, "a long text of letters 123");
    EXPECT_EQ(view->txtGold->text(), "a long text of letters 123");
    for (QLineEdit* result :
         {view->txtDam2Mon, view->txtDam2Ch, view->txtHit2KillMon, view->txtHit2KillCh}) {
        EXPECT_TRUE(result->isReadOnly());
        type(result, "9");
        EXPECT_EQ(result->text(), "");
    }
}

using ShownWindowTest = ShownEditorTest;

TEST_F(ShownWindowTest, TabFollowsTheDesignedOrder) {
    const std::pair<QWidget*, QWidget*> steps[] = {
        {view->txtCanURun, view->cboMonsterList}, {view->cmdPreview3, view->txtChLvl},
        {view->txtTotalFreq, view->cmdSaveFreq},  {view->txtName, view->txtHP},
        {view->txtMpower, view->txtSpecial1},     {view->cmdCalculate, view->txtMonIndex[0]},
        {view->txtNOMnum[2], view->cboMapIndex},  {view->cmdSave, view->Command1},
        {view->Command1, view->cmdPreview1},
    };
    // An editable list's text field takes the focus on behalf of its list.
    const auto focusedControl = [] {
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus->objectName().isEmpty() && focus->parentWidget())
            focus = focus->parentWidget();
        return focus;
    };
    for (const auto& [from, to] : steps) {
        from->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusedControl(), to) << from->objectName().toStdString();
    }

    // The whole ring from pic1, once with Tab and once with Shift+Tab: the first meets every
    // stop in the designed order, the second in exactly the opposite one.
    const QStringList designed =
        QStringLiteral(
            "pic1 txtName txtHP txtAgi txtStr cboItem1 txtitem1Perc cboItem2 txtItem2Perc "
            "txtGold txtExp txtLevel txtDef txtOffMin txtMpower txtSpecial1 txtSpecial1perc "
            "txtS1target txtSP1min txtSP1max txtS1PorM txtSpecial2 txtSpecial2Perc txtS2target "
            "txtSp2min txtSP2max txtS2PorM txtOffMax txtCanURun cboMonsterList cmdSave Command1 "
            "cmdPreview1 cmdPreview2 cmdPreview3 txtChLvl txtChStr txtChAgi txtChDam txtChDef "
            "txtChHP txtDam2Mon txtDam2Ch txtHit2KillMon txtHit2KillCh cmdCalculate "
            "txtMonIndex_0 txtMonIndex_1 txtMonIndex_2 txtMonIndex_3 txtMonIndex_4 "
            "txtMonFreq_0 txtMonFreq_1 txtMonFreq_2 txtMonFreq_3 txtMonFreq_4 txtNOMnum_0 "
            "txtNOMnum_1 txtNOMnum_2 cboMapIndex txtTotalFreq cmdSaveFreq txtTotalMon")
            .split(' ');
    ASSERT_EQ(designed.size(), 63);
    const auto ring = [&](Qt::Key key) {
        view->pic1->setFocus();
        QStringList met;
        for (qsizetype stop = 0; stop < designed.size(); ++stop) {
            QTest::keyClick(QApplication::focusWidget(), key);
            met.append(focusedControl() ? focusedControl()->objectName() : QString());
        }
        return met;
    };
    const QStringList forward = ring(Qt::Key_Tab);
    QStringList backward = ring(Qt::Key_Backtab);
    EXPECT_EQ(forward, designed.mid(1) + designed.mid(0, 1));
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, designed);
}

TEST_F(ShownWindowTest, AccessKeysPressSaveAndExit) {
    QSignalSpy saves(view->cmdSave, &QPushButton::clicked);
    view->txtChLvl->setFocus();
    // An access key animates the press, so the click arrives a moment later.
    QTest::keyClick(window.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return saves.count() == 1; }, 2000));
    QTest::keyClick(window.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return programEnds == 1; }, 2000));
}

TEST_F(MainWindowTest, StartUpFailuresNameTheFile) {
    const std::string palette = fixturePalette();
    std::string sevenSixtySeven = palette.substr(0, palette.rfind(',')); // drops the last level
    std::string level8192 = palette;
    level8192.replace(0, 1, "8192");
    std::string level8191 = palette;
    level8191.replace(0, 1, "8191");
    const struct {
        const char* name;
        const char* file;
        std::optional<std::string> contents; // nothing: the file is removed
        std::optional<ErrorKind> error;
    } cases[] = {
        {"no palette", "mypal.pal", std::nullopt, ErrorKind::FileNotFound},
        {"767 levels", "mypal.pal", sevenSixtySeven, ErrorKind::InputPastEndOfFile},
        {"769 levels", "mypal.pal", palette + "5\n", std::nullopt},
        {"level 8192", "mypal.pal", level8192, ErrorKind::Overflow},
        {"level 8191", "mypal.pal", level8191, std::nullopt},
        {"no item list", "itemlist.txt", std::nullopt, ErrorKind::FileNotFound},
        {"palette of blanks", "mypal.pal", std::string(kPaletteFileLimit, ' ') + palette,
         ErrorKind::FileTooLarge},
        {"items after a megabyte of blanks", "itemlist.txt",
         std::string(kTextFileLimit, ' ') + fixtureItems(100), ErrorKind::FileTooLarge},
        {"99 items", "itemlist.txt", fixtureItems(99), ErrorKind::InputPastEndOfFile},
        {"101 items", "itemlist.txt", fixtureItems(101), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.contents)
            writeText(file(c.file), *c.contents);
        else
            std::filesystem::remove(file(c.file));
        const std::optional<DataError> error = startExpectingError();
        EXPECT_EQ(error ? std::optional(error->kind()) : std::nullopt, c.error);
        if (error) {
            EXPECT_NE(error->subject().find(c.file), std::string::npos) << error->what();
        }
    }
}

TEST_F(MainWindowTest, StartUpRefusesPipesAndDevicesAtOnceNamingTheFile) {
    for (const char* name : {kPaletteFileName, kSpriteFileName, kItemListFileName}) {
        for (const bool pipe : {true, false}) {
            SCOPED_TRACE(std::string(name) + (pipe ? " as a pipe" : " as a link to /dev/zero"));
            SetUp();
            std::filesystem::remove(file(name));
            if (pipe) {
                ASSERT_EQ(mkfifo(file(name).c_str(), 0600), 0);
            } else {
                std::filesystem::create_symlink("/dev/zero", file(name));
            }
            const std::optional<DataError> error = startExpectingError();
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->kind(), ErrorKind::NotARegularFile);
            EXPECT_EQ(error->subject().rfind(name, 0), 0u) << error->what();
            std::filesystem::remove(file(name));
        }
    }
}

TEST_F(MainWindowTest, MonsterListFollowsTheSpriteFileLength) {
    const std::pair<std::size_t, int> cases[] = {{0, 0},     {8999, 0},  {9000, 1},
                                                 {17999, 1}, {18000, 2}, {513000, 57}};
    for (const auto& [bytes, entries] : cases) {
        SCOPED_TRACE(std::to_string(bytes) + " bytes of sprites");
        SetUp();
        writeBytes(file(kSpriteFileName), Bytes(bytes, 7));
        start();
        EXPECT_EQ(view->cboMonsterList->count(), entries) << bytes;
        EXPECT_EQ(view->lastMonsterIndex(), entries - 1) << bytes;
        EXPECT_EQ(view->cboMonsterList->currentIndex(), -1);
    }
    std::filesystem::remove(file(kSpriteFileName));
    start();
    EXPECT_EQ(view->cboMonsterList->count(), 0);
    EXPECT_TRUE(std::filesystem::exists(file(kSpriteFileName)));
}

TEST_F(MainWindowTest, QuotedItemNameKeepsItsComma) {
    writeText(file("itemlist.txt"), "\"Sword, rusty\"\r\nShield, Helm\r\n" + fixtureItems(97));
    start();
    EXPECT_EQ(view->cboItem1->itemText(0), "Sword, rusty");
    EXPECT_EQ(view->cboItem1->itemText(1), "Shield");
    EXPECT_EQ(view->cboItem1->itemText(2), "Helm");
}

TEST_F(MainWindowTest, HandlerErrorIsReportedOnceAndTheWindowLivesOn) {
    start();
    view->cmdSave->click(); // empty target boxes
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].kind(), ErrorKind::TypeMismatch);
    view->cmdSaveFreq->click(); // no map picked, every box converts to 0
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].kind(), ErrorKind::BadRecordNumber);
    pick(view->cboMonsterList, 3);
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(view->txtGold->text(), "103");
}

TEST(ErrorGuardTest, ReportsEveryExceptionOnceAndLetsNoneThrough) {
    // What the handler throws, and the kind and subject reported (no kind: nothing).
    const struct {
        const char* name;
        std::function<void()> handler;
        std::optional<ErrorKind> kind;
        const char* subject;
    } rows[] = {
        {"nothing", [] {}, std::nullopt, ""},
        {"the data layer's own", [] { throw DataError(ErrorKind::Overflow, "txtHP"); },
         ErrorKind::Overflow, "txtHP"},
        {"a standard exception", [] { throw std::runtime_error("queue full"); },
         ErrorKind::Internal, "queue full"},
        {"out of memory", [] { throw std::bad_alloc(); }, ErrorKind::Internal, "std::bad_alloc"},
        {"no standard exception", [] { throw 42; }, ErrorKind::Internal,
         "an exception of unknown type"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<DataError> reported;
        RecordingErrorReport report(reported);
        guarded(report, row.handler);
        ASSERT_EQ(reported.size(), row.kind ? 1u : 0u);
        if (row.kind) {
            EXPECT_EQ(reported[0].kind(), *row.kind);
            EXPECT_EQ(reported[0].subject(), row.subject);
        }
    }
}

TEST(ErrorReportTest, MessageShowsNumberAndTextAndCopies) {
    // A name that looks like HTML, as a folder's may, is shown as plain text.
    const QString message = errorMessage(DataError(ErrorKind::Overflow, "<h1>txtHP</h1>"));
    EXPECT_TRUE(message.contains("'6'"));
    EXPECT_TRUE(message.contains("Overflow"));
    EXPECT_TRUE(message.contains("<h1>txtHP</h1>"));

    QApplication::clipboard()->clear();
    answerModalBox(
        [](QWidget* box) {
            auto* messageBox = qobject_cast<QMessageBox*>(box);
            ASSERT_NE(messageBox, nullptr);
            EXPECT_EQ(messageBox->textFormat(), Qt::PlainText);
            QApplication::setActiveWindow(box);
            EXPECT_TRUE(QTest::qWaitForWindowActive(box));
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Escape);
        },
        [&] { showCopyableMessage(nullptr, "Title", message); });
    EXPECT_TRUE(QApplication::clipboard()->text().contains("Overflow"));
}

// A check that fails while the box is open.
void failWhileABoxIsOpen() {
    answerModalBox([](QWidget*) { FAIL() << "checked inside the box"; },
                   [] { showCopyableMessage(nullptr, "Title", "A box"); });
}

TEST(ErrorReportTest, AFailedCheckInsideAModalBoxFailsInsteadOfHanging) {
    EXPECT_FATAL_FAILURE(failWhileABoxIsOpen(), "checked inside the box");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, ExitClosesEveryWindowAndEndsWithZero) {
    build();
    window->loadGameFolder();
    window->show();
    view->cmdPreview1->click();
    QPointer<PreviewWindow> preview = view->previewWindow(1);
    ASSERT_TRUE(preview && preview->isVisible());
    QTimer::singleShot(0, [&] { QTest::mouseClick(view->Command1, Qt::LeftButton); });
    EXPECT_EQ(QApplication::exec(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!preview || !preview->isVisible());
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace valmor::test
