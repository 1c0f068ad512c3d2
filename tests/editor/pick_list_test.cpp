// Drop-down lists change their selection, and run their pick handler, only when the user
// picks an entry; typing into their text field selects nothing.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

#include "editor/pick_list.h"
#include "editor_fixture.h"

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
        pick(view->cboMapIndex, 4);
        ASSERT_EQ(view->txtMonFreq[0]->text(), "20");
        view->txtMonFreq[0]->setText("55");

        typeInto(view->cboMapIndex, "7");
        switch (then) {
        case Then::Nothing:
            break;
        case Then::Return:
            QTest::keyClick(view->cboMapIndex, Qt::Key_Return);
            break;
        case Then::Tab:
            QTest::keyClick(view->cboMapIndex, Qt::Key_Tab);
            break;
        case Then::ClickElsewhere:
            QTest::mouseClick(view->txtChHP, Qt::LeftButton);
            view->txtChHP->setFocus();
            break;
        }
        EXPECT_EQ(view->cboMapIndex->currentText(), "7");
        EXPECT_EQ(view->cboMapIndex->currentIndex(), -1);
        EXPECT_EQ(view->cboMapIndex->count(), 268);
        // The pick handler did not run: the edited box still holds its edit.
        EXPECT_EQ(view->txtMonFreq[0]->text(), "55");
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(PickListTest, TypingDoesNotCompleteInline) {
    typeInto(view->cboMapIndex, "2");
    EXPECT_EQ(view->cboMapIndex->lineEdit()->text(), "2");
    EXPECT_FALSE(view->cboMapIndex->lineEdit()->hasSelectedText());
    typeInto(view->cboItem1, "Item 4");
    EXPECT_EQ(view->cboItem1->currentText(), "Item 4");
    EXPECT_EQ(view->cboItem1->currentIndex(), -1);
}

TEST_F(PickListTest, ArrowKeysOnTheClosedListPickAndRunTheHandler) {
    view->cboMonsterList->setFocus();
    QTest::keyClick(view->cboMonsterList, Qt::Key_Down);
    EXPECT_EQ(view->cboMonsterList->currentIndex(), 0);
    EXPECT_EQ(view->txtGold->text(), "100");
    QTest::keyClick(view->cboMonsterList, Qt::Key_Down);
    EXPECT_EQ(view->txtGold->text(), "101");
    QTest::keyClick(view->cboMonsterList, Qt::Key_Up);
    EXPECT_EQ(view->txtGold->text(), "100");
}

TEST_F(PickListTest, ReturnInTheOpenListPicksTheHighlightedEntry) {
    QComboBox* list = view->cboMonsterList;
    list->showPopup();
    QAbstractItemView* popup = list->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }, 2000));
    popup->setCurrentIndex(popup->model()->index(5, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(list->currentIndex(), 5);
    EXPECT_EQ(view->txtGold->text(), "105");
}

TEST_F(PickListTest, SelectingAPositionTheListDoesNotHaveSelectsNothing) {
    const std::pair<int, bool> cases[] = {{-1, true},   {0, true},   {99, true},
                                          {100, false}, {-2, false}, {32767, false}};
    for (const auto& [position, exists] : cases) {
        PickList::select(view->cboItem1, 3);
        EXPECT_EQ(PickList::select(view->cboItem1, position), exists) << position;
        EXPECT_EQ(view->cboItem1->currentIndex(), exists ? position : -1) << position;
    }
}

} // namespace
} // namespace valmor::test
