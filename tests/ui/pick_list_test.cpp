// Drop-down lists change their selection, and run their pick handler, only when the user
// picks an entry; typing into their text field selects nothing.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

#include "editor_fixture.h"
#include "ui/pick_list.h"

namespace valmor::test {
namespace {

class PickListTest : public ShownEditorTest {
protected:
    // Types into a list's text field, replacing what it showed.
    static void typeInto(QComboBox* list, const QString& text) {
        list->setFocus();
        list->lineEdit()->selectAll();
        QTest::keyClicks(list, text);
    }
};

TEST_F(PickListTest, TypingKeepsTheTextAndSelectsNothing) {
    enum class Then { Nothing, Return, Tab, ClickElsewhere };
    for (const Then then : {Then::Nothing, Then::Return, Then::Tab, Then::ClickElsewhere}) {
        SCOPED_TRACE(static_cast<int>(then));
        pick(window->cboMapIndex, 4);
        ASSERT_EQ(window->txtMonFreq[0]->text(), "20");
        window->txtMonFreq[0]->setText("55");

        typeInto(window->cboMapIndex, "7");
        switch (then) {
        case Then::Nothing:
            break;
        case Then::Return:
            QTest::keyClick(window->cboMapIndex, Qt::Key_Return);
            break;
        case Then::Tab:
            QTest::keyClick(window->cboMapIndex, Qt::Key_Tab);
            break;
        case Then::ClickElsewhere:
            QTest::mouseClick(window->txtChHP, Qt::LeftButton);
            window->txtChHP->setFocus();
            break;
        }
        EXPECT_EQ(window->cboMapIndex->currentText(), "7");
        EXPECT_EQ(window->cboMapIndex->currentIndex(), -1);
        EXPECT_EQ(window->cboMapIndex->count(), 268);
        // The pick handler did not run: the edited box still holds its edit.
        EXPECT_EQ(window->txtMonFreq[0]->text(), "55");
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(PickListTest, TypingDoesNotCompleteInline) {
    typeInto(window->cboMapIndex, "2");
    EXPECT_EQ(window->cboMapIndex->lineEdit()->text(), "2");
    EXPECT_FALSE(window->cboMapIndex->lineEdit()->hasSelectedText());
    typeInto(window->cboItem1, "Item 4");
    EXPECT_EQ(window->cboItem1->currentText(), "Item 4");
    EXPECT_EQ(window->cboItem1->currentIndex(), -1);
}

TEST_F(PickListTest, ArrowKeysOnTheClosedListPickAndRunTheHandler) {
    window->cboMonsterList->setFocus();
    QTest::keyClick(window->cboMonsterList, Qt::Key_Down);
    EXPECT_EQ(window->cboMonsterList->currentIndex(), 0);
    EXPECT_EQ(window->txtGold->text(), "100");
    QTest::keyClick(window->cboMonsterList, Qt::Key_Down);
    EXPECT_EQ(window->txtGold->text(), "101");
    QTest::keyClick(window->cboMonsterList, Qt::Key_Up);
    EXPECT_EQ(window->txtGold->text(), "100");
}

TEST_F(PickListTest, ReturnInTheOpenListPicksTheHighlightedEntry) {
    QComboBox* list = window->cboMonsterList;
    list->showPopup();
    QAbstractItemView* view = list->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 2000));
    view->setCurrentIndex(view->model()->index(5, 0));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(list->currentIndex(), 5);
    EXPECT_EQ(window->txtGold->text(), "105");
}

TEST_F(PickListTest, SelectingAPositionTheListDoesNotHaveSelectsNothing) {
    const std::pair<int, bool> cases[] = {{-1, true},   {0, true},   {99, true},
                                          {100, false}, {-2, false}, {32767, false}};
    for (const auto& [position, exists] : cases) {
        PickList::select(window->cboItem1, 3);
        EXPECT_EQ(PickList::select(window->cboItem1, position), exists) << position;
        EXPECT_EQ(window->cboItem1->currentIndex(), exists ? position : -1) << position;
    }
}

} // namespace
} // namespace valmor::test
