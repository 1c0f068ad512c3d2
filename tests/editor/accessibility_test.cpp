// What a screen reader finds in the windows: every control that takes the focus has a
// name, the names say which box is which, the result boxes say they are read-only and
// the pictures carry a description.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

#include "editor/preview/preview_window.h"
#include "editor_fixture.h"

namespace valmor::test {
namespace {

using AccessibilityTest = EditorTest;

QString nameOf(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

QString descriptionOf(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible == nullptr ? QString() : accessible->text(QAccessible::Description);
}

// Calls `visit` for every visible, focusable object of the accessible tree under `root`,
// as a screen reader walks it.
void walkFocusable(QAccessibleInterface* root,
                   const std::function<void(QAccessibleInterface*)>& visit) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (child == nullptr || child->state().invisible)
            continue;
        if (child->state().focusable)
            visit(child);
        walkFocusable(child, visit);
    }
}

// "txtHP", or "cboItem1's QLineEdit" for a control without a name of its own.
std::string describe(QAccessibleInterface* accessible) {
    const QObject* object = accessible->object();
    if (object == nullptr)
        return "role " + std::to_string(accessible->role());
    if (!object->objectName().isEmpty() || object->parent() == nullptr)
        return object->objectName().toStdString();
    return object->parent()->objectName().toStdString() + "'s " + object->metaObject()->className();
}

TEST_F(AccessibilityTest, EveryFocusableControlHasADistinctName) {
    start();
    window->show();
    std::map<QString, QAccessibleInterface*> named; // name -> the control that has it
    int focusable = 0;
    walkFocusable(
        QAccessible::queryAccessibleInterface(window.get()), [&](QAccessibleInterface* control) {
            ++focusable;
            const QString name = control->text(QAccessible::Name).trimmed();
            EXPECT_FALSE(name.isEmpty()) << describe(control) << " has no name";
            if (name.isEmpty())
                return;
            const auto [at, isNew] = named.emplace(name, control);
            // A list's text box rightly has the list's name.
            const bool ownTextBox = control->parent() == at->second;
            EXPECT_TRUE(isNew || ownTextBox) << describe(control) << " and " << describe(at->second)
                                             << " are both called " << name.toStdString();
        });
    // The picture, 28 stats boxes and lists, the monster list, 6 + 4 calculator boxes,
    // the map list, 5 + 5 + 3 encounter boxes, 2 totals, 7 buttons, and the text boxes
    // of the 4 lists.
    EXPECT_EQ(focusable, 1 + 28 + 1 + 10 + 1 + 13 + 2 + 7 + 4);
}

TEST_F(AccessibilityTest, NamesSayWhichBoxIsWhich) {
    start();
    const struct {
        const char* row;
        QWidget* control;
        const char* name;
    } cases[] = {
        {"caption of the label beside it", view->txtHP, "HP"},
        {"list with its label", view->cboItem1->lineEdit(), "Item1"},
        {"misspelt caption put right", view->txtStr, "Strength"},
        {"two P or M boxes told apart", view->txtS1PorM, "Special1 P or M"},
        {"second P or M box", view->txtS2PorM, "Special2 P or M"},
        {"trailing colon dropped", view->txtChLvl, "Char Level"},
        {"inner colon and trailing blank dropped", view->txtChDam, "Char Item Damage"},
        {"result box", view->txtHit2KillCh, "Hits to kill char"},
        {"map list", view->cboMapIndex->lineEdit(), "Index to file"},
        {"monster list", view->cboMonsterList->lineEdit(), "Monster"},
        {"first encounter monster", view->txtMonIndex[0], "Monster 1"},
        {"last encounter monster", view->txtMonIndex[4], "Monster 5"},
        {"frequency", view->txtMonFreq[1], "Monster 2 frequency"},
        {"number of monsters", view->txtNOMnum[2], "Number of monsters 3"},
        {"total frequency", view->txtTotalFreq, "Total frequency"},
        {"total number", view->txtTotalMon, "Total number of monsters"},
        {"monster's Save", view->cmdSave, "Save monster"},
        {"map's Save", view->cmdSaveFreq, "Save map"},
        {"picture", view->pic1, "Monster sprite"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(nameOf(c.control), c.name);
    }
}

TEST_F(AccessibilityTest, LabelsBesideTheirControlsAreTheirBuddiesWithoutShortcuts) {
    start();
    int buddies = 0;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        if (label->buddy() == nullptr)
            continue;
        ++buddies;
        // A buddy would turn an & into an underlined shortcut: the caption must not change.
        EXPECT_FALSE(label->text().contains('&'));
        // The buddy is the control on the label's row, to its right.
        const QRect box = label->buddy()->geometry();
        EXPECT_GT(box.left(), label->geometry().left());
        EXPECT_TRUE(box.top() <= label->geometry().bottom() &&
                    label->geometry().top() <= box.bottom());
        // The control tells a screen reader which label it has.
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(label->buddy());
        const auto labelledBy = control->relations(QAccessible::Label);
        EXPECT_TRUE(std::any_of(labelledBy.begin(), labelledBy.end(), [&](const auto& relation) {
            return relation.first->object() == label;
        }));
    }
    EXPECT_EQ(buddies, 28 + 6 + 4 + 1 + 3);
}

TEST_F(AccessibilityTest, ExactlyTheResultBoxesSayTheyAreReadOnly) {
    start();
    for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        SCOPED_TRACE(box->objectName().toStdString());
        const bool result = box == view->txtDam2Mon || box == view->txtDam2Ch ||
                            box == view->txtHit2KillMon || box == view->txtHit2KillCh;
        EXPECT_EQ(box->isReadOnly(), result);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(box)->state().readOnly, result);
        EXPECT_EQ(descriptionOf(box), result ? "Read-only result" : "");
    }
}

TEST_F(AccessibilityTest, PicturesHaveADescription) {
    start();
    EXPECT_EQ(descriptionOf(view->pic1), "The sprite of the monster picked in the list below");
    const char* const names[] = {"Monsters 0-24", "Monsters 25-49", "Game Bosses"};
    const auto buttons = {view->cmdPreview1, view->cmdPreview2, view->cmdPreview3};
    int page = 1;
    for (QPushButton* button : buttons) {
        SCOPED_TRACE("page " + std::to_string(page));
        button->click();
        ASSERT_NE(view->previewWindow(page), nullptr);
        PictureBox* picture = view->previewWindow(page)->picture();
        EXPECT_EQ(nameOf(picture), names[page - 1]);
        EXPECT_TRUE(descriptionOf(picture).startsWith("The sprites of "))
            << descriptionOf(picture).toStdString();
        ++page;
    }
}

} // namespace
} // namespace valmor::test
