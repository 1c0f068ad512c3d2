// The battle damage calculator: the four result texts, the step at which an arithmetic
// error stops the handler, and the monster values taken from the stats editor's boxes.
#include <optional>

#include <QPushButton>
#include <QTest>

#include "editor_fixture.h"

namespace valmor::test {
namespace {

// A result box the handler did not reach keeps this text.
constexpr const char* kOld = "old";

using Inputs = std::array<const char*, 12>;
using Results = std::array<const char*, 4>;

// Character: level, strength, agility, item damage, item defense, HP; then the monster:
// level, strength, agility, Off Max, defense, HP.
constexpr Inputs kWorked{"10", "20", "15", "9", "3", "50", "20", "30", "10", "8", "2", "39"};
constexpr Results kWorkedResults{"9.75", "10.83333", "4", "4.6153860355034"};

Inputs with(Inputs inputs, std::size_t at, const char* text) {
    inputs[at] = text;
    return inputs;
}

class CalculatorTest : public EditorTest {
protected:
    std::array<QLineEdit*, 12> inputs() const {
        const frm1& w = *window;
        return {w.txtChLvl, w.txtChStr, w.txtChAgi, w.txtChDam,  w.txtChDef, w.txtChHP,
                w.txtLevel, w.txtStr,   w.txtAgi,   w.txtOffMax, w.txtDef,   w.txtHP};
    }
    std::array<QLineEdit*, 4> results() const {
        return {window->txtDam2Mon, window->txtDam2Ch, window->txtHit2KillMon,
                window->txtHit2KillCh};
    }
    QStringList resultTexts() const {
        QStringList texts;
        for (const QLineEdit* box : results())
            texts.append(box->text());
        return texts;
    }
    // Sets the inputs and the result boxes, presses Calculate and returns the error kinds.
    std::vector<ErrorKind> calculate(const Inputs& in) {
        for (std::size_t k = 0; k < in.size(); ++k)
            inputs()[k]->setText(QString::fromLatin1(in[k]));
        for (QLineEdit* box : results())
            box->setText(kOld);
        errors.clear();
        window->cmdCalculate->click();
        std::vector<ErrorKind> kinds;
        for (const DataError& error : errors)
            kinds.push_back(error.kind());
        return kinds;
    }
};

void expectResults(const std::array<QLineEdit*, 4>& boxes, const Results& expected) {
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(boxes[k]->text().toStdString(), expected[k]) << "result box " << k;
}

TEST_F(CalculatorTest, ResultsAndTheStepThatFails) {
    struct Case {
        const char* name;
        Inputs in;
        Results out;
        std::optional<ErrorKind> error;
    };
    constexpr Results none{kOld, kOld, kOld, kOld};
    const Case cases[] = {
        {"worked example", kWorked, kWorkedResults, {}},
        {"numbers followed by letters",
         with(with(kWorked, 0, "10th"), 11, "39 hp"),
         kWorkedResults,
         {}},
        {"all boxes empty: 0 / 0 in step 7",
         Inputs{"", "", "", "", "", "", "", "", "", "", "", ""},
         {"0", "0", kOld, kOld},
         ErrorKind::Overflow},
        {"character level 100", with(kWorked, 0, "100"), none, ErrorKind::DivisionByZero},
        {"character level 100, strength -200", with(with(kWorked, 0, "100"), 1, "-200"), none,
         ErrorKind::Overflow},
        {"monster level 100", with(kWorked, 6, "100"), none, ErrorKind::DivisionByZero},
        {"level 120: factor -12, no error",
         with(kWorked, 0, "120"),
         {"-111.25", "50.25", "-0.350561797752809", "0.995024875621891"},
         {}},
        {"level 99: factor stat + 199",
         {"99", "1", "0", "1", "1", "100", "0", "0", "0", "300", "0", "50"},
         {"200", "101", "0.25", "0.99009900990099"},
         {}},
        {"levels and stats 0 keep the base values",
         {"0", "0", "0", "10", "2", "9", "0", "0", "0", "5", "4", "12"},
         {"6", "3", "2", "3"},
         {}},
        {"defense above attack: negative damage and hits",
         {"0", "0", "0", "2", "2", "9", "0", "0", "0", "5", "4", "10"},
         {"-2", "3", "-5", "3"},
         {}},
        {"damage to the monster 0: step 7",
         {"0", "0", "0", "4", "1", "9", "0", "0", "0", "5", "4", "12"},
         {"0", "4", kOld, kOld},
         ErrorKind::DivisionByZero},
        {"damage to the character 0: step 8",
         {"0", "0", "0", "10", "3", "9", "0", "0", "0", "3", "4", "12"},
         {"6", "0", "2", kOld},
         ErrorKind::DivisionByZero},
        {"damage to the character 0 with HP 0: 0 / 0 in step 8",
         {"0", "0", "0", "10", "3", "0", "0", "0", "0", "3", "4", "12"},
         {"6", "0", "2", kOld},
         ErrorKind::Overflow},
        {"item damage 1e300: step 1", with(kWorked, 3, "1e300"), none, ErrorKind::Overflow},
        {"item defense beyond single range: step 2", with(kWorked, 4, "1e39"), none,
         ErrorKind::Overflow},
        {"Off Max beyond single range: step 3", with(kWorked, 9, "-1e39"), none,
         ErrorKind::Overflow},
        {"damage beyond single range shows Infinity: step 7 divides by it",
         {"0", "0", "0", "3e38", "0", "1", "0", "0", "0", "0", "-3e38", "1"},
         {"Infinity", "0", kOld, kOld},
         ErrorKind::DivisionByZero},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ErrorKind> kinds = calculate(c.in);
        if (c.error)
            EXPECT_EQ(kinds, std::vector{*c.error});
        else
            EXPECT_TRUE(kinds.empty());
        expectResults(results(), c.out);
    }
    EXPECT_EQ(programEnds, 0);
}

TEST_F(CalculatorTest, SecondPressWritesTheSameTexts) {
    start();
    ASSERT_TRUE(calculate(kWorked).empty());
    const QStringList first = resultTexts();
    window->cmdCalculate->click();
    EXPECT_EQ(resultTexts(), first);
    expectResults(results(), kWorkedResults);
    EXPECT_TRUE(errors.empty());
}

TEST_F(CalculatorTest, UsesTheMonsterAsEditedInTheStatsBoxesWithoutSaving) {
    start();
    pick(window->cboMonsterList, 20); // level 20, strength 0, agility 0, HP 30 in the file
    const Bytes before = monstersFile();
    ASSERT_EQ(window->txtLevel->text(), "20");
    for (std::size_t k = 0; k < 6; ++k)
        type(inputs()[k], kWorked[k]);
    for (std::size_t k = 7; k < 12; ++k)
        type(inputs()[k], kWorked[k]);
    window->cmdCalculate->click();
    expectResults(results(), kWorkedResults);
    EXPECT_EQ(monstersFile(), before);
    EXPECT_TRUE(errors.empty());
}

TEST_F(CalculatorTest, ResultBoxesRefuseTypingButTakeCalculateResults) {
    start();
    for (QLineEdit* box : results()) {
        EXPECT_TRUE(box->isReadOnly());
        const QString before = box->text();
        QTest::keyClicks(box, "123");
        EXPECT_EQ(box->text(), before);
    }
    for (std::size_t k = 0; k < 12; ++k)
        type(inputs()[k], kWorked[k]);
    window->cmdCalculate->click();
    expectResults(results(), kWorkedResults);
}

} // namespace
} // namespace valmor::test
