// The battle damage calculator: the four result texts, the step at which an arithmetic
// error stops the handler, and the monster values taken from the stats editor's boxes.
#include <optional>

#include <QPushButton>
#include <QTest>

#include "editor_fixture.h"

namespace valmor::test {
namespace {

// Inputs: character level, strength, agility, item damage, item defense, HP, then the
// monster's level, strength, agility, Off Max, defense, HP; "_" is an empty box.
// Results: damage to the monster and to the character, hits to kill each; "-" is a box
// the handler did not reach.
constexpr const char* kWorked = "10 20 15 9 3 50  20 30 10 8 2 39";
constexpr const char* kWorkedResults = "9.75 10.83333 4 4.6153860355034";

QStringList words(const char* text) {
    QStringList list = QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts);
    list.replaceInStrings("_", "");
    return list;
}

class CalculatorTest : public EditorTest {
protected:
    std::array<QLineEdit*, 12> inputs() const {
        const MainWindowTestView& w = *view;
        return {w.txtChLvl, w.txtChStr, w.txtChAgi, w.txtChDam,  w.txtChDef, w.txtChHP,
                w.txtLevel, w.txtStr,   w.txtAgi,   w.txtOffMax, w.txtDef,   w.txtHP};
    }
    std::array<QLineEdit*, 4> resultBoxes() const {
        return {view->txtDam2Mon, view->txtDam2Ch, view->txtHit2KillMon, view->txtHit2KillCh};
    }
    QStringList results() const {
        QStringList texts;
        for (const QLineEdit* box : resultBoxes())
            texts.append(box->text());
        return texts;
    }
    // Fills the inputs, marks the result boxes "-", presses Calculate.
    void calculate(const char* in) {
        const QStringList texts = words(in);
        for (std::size_t k = 0; k < 12; ++k)
            inputs()[k]->setText(texts.at(static_cast<qsizetype>(k)));
        for (QLineEdit* box : resultBoxes())
            box->setText("-");
        errors.clear();
        view->cmdCalculate->click();
    }
};

TEST_F(CalculatorTest, ResultsAndTheStepThatFails) {
    using enum ErrorKind;
    const std::tuple<const char*, const char*, std::optional<ErrorKind>> cases[] = {
        {kWorked, kWorkedResults, {}},
        {"10th 20 15 9 3 50  20 30 10 8 2 39hp", kWorkedResults, {}},     // leading numbers
        {"_ _ _ _ _ _  _ _ _ _ _ _", "0 0 - -", Overflow},                // 0 / 0 in step 7
        {"100 20 15 9 3 50  20 30 10 8 2 39", "- - - -", DivisionByZero}, // step 1
        {"100 -200 15 9 3 50  20 30 10 8 2 39", "- - - -", Overflow},     // 0 / 0, step 1
        {"10 20 15 9 3 50  100 30 10 8 2 39", "- - - -", DivisionByZero}, // step 3
        {"10 20 15 1e300 3 50  20 30 10 8 2 39", "- - - -", Overflow},    // step 1
        {"10 20 15 9 1e39 50  20 30 10 8 2 39", "- - - -", Overflow},     // beyond single
        {"10 20 15 9 3 50  20 30 10 -1e39 2 39", "- - - -", Overflow},    // beyond single
        {"120 20 15 9 3 50  20 30 10 8 2 39",                             // factor -12
         "-111.25 50.25 -0.350561797752809 0.995024875621891",
         {}},
        {"99 1 0 1 1 100  0 0 0 300 0 50", "200 101 0.25 0.99009900990099", {}}, // stat + 199
        {"0 0 0 10 2 9  0 0 0 5 4 12", "6 3 2 3", {}},             // base values unchanged
        {"0 0 0 2 2 9  0 0 0 5 4 10", "-2 3 -5 3", {}},            // defense above attack
        {"0 0 0 4 1 9  0 0 0 5 4 12", "0 4 - -", DivisionByZero},  // step 7
        {"0 0 0 10 3 9  0 0 0 3 4 12", "6 0 2 -", DivisionByZero}, // step 8
        {"0 0 0 10 3 0  0 0 0 3 4 12", "6 0 2 -", Overflow},       // 0 / 0 in step 8
        // The difference itself stays finite; its text reads back as 0.
        {"0 0 0 3e38 0 1  0 0 0 0 -3e38 1", "Infinity 0 - -", DivisionByZero},
    };
    start();
    for (const auto& [in, out, error] : cases) {
        SCOPED_TRACE(in);
        calculate(in);
        EXPECT_EQ(errorKinds(), error ? std::vector{*error} : std::vector<ErrorKind>{});
        EXPECT_EQ(results(), words(out));
    }
    EXPECT_EQ(programEnds, 0);
}

TEST_F(CalculatorTest, ResultBoxesRefuseTypingAndASecondPressWritesTheSameTexts) {
    start();
    calculate(kWorked);
    const QStringList first = results();
    EXPECT_EQ(first, words(kWorkedResults));
    for (QLineEdit* box : resultBoxes()) {
        EXPECT_TRUE(box->isReadOnly());
        QTest::keyClicks(box, "123");
    }
    EXPECT_EQ(results(), first);
    view->cmdCalculate->click();
    EXPECT_EQ(results(), first);
    EXPECT_TRUE(errors.empty());
}

TEST_F(CalculatorTest, UsesTheMonsterAsEditedInTheStatsBoxesWithoutSaving) {
    start();
    pick(view->cboMonsterList, 20); // level 20, strength 0, agility 0, HP 30 in the file
    const Bytes before = monstersFile();
    ASSERT_EQ(view->txtLevel->text(), "20");
    const QStringList worked = words(kWorked);
    for (std::size_t k = 0; k < 12; ++k)
        if (k != 6) // the level as the file gave it
            type(inputs()[k], worked.at(static_cast<qsizetype>(k)));
    view->cmdCalculate->click();
    EXPECT_EQ(results(), words(kWorkedResults));
    EXPECT_EQ(monstersFile(), before);
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace valmor::test
