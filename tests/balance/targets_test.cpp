// Target bands as targets.csv gives them: the overlap of every row naming a cell, and an
// error at the line and column of the first problem.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "balance/targets.h"
#include "files/error.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

const std::vector<CharacterProfile> kProfiles{{"L1", 1, 14, 11, 10, 5, 45},
                                              {"L4", 4, 26, 20, 28, 14, 90}};

TEST(TargetsTest, RowsNamingACellMeetInTheOverlapOfTheirBands) {
    const TargetBands bands = targetsFromCsv("defeat_max,maps,note,profile,defeat_min\r\n"
                                             "10,1-3,x,*,\r\n"
                                             "20 , 2 ,y, L4 ,5\r\n"
                                             ",268,z,L1,25\r\n",
                                             "targets.csv", kProfiles);
    const struct {
        BalanceCell cell;
        std::optional<TargetBand> band;
    } cases[] = {
        {{0, 0}, TargetBand{0, 10}}, {{2, 1}, TargetBand{0, 10}},     {{1, 1}, TargetBand{5, 10}},
        {{3, 0}, std::nullopt},      {{267, 0}, TargetBand{25, 100}}, {{267, 1}, std::nullopt},
        {{300, 0}, std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        EXPECT_EQ(bands.band(row.cell), row.band);
    }
    EXPECT_EQ(bands.bandCount(), 7u);
}

TEST(TargetsTest, EachProblemIsNamedAtItsLineAndColumn) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "targets.csv: no header"},
        {"maps,profile,defeat_min\n", "targets.csv:1:1: no column defeat_max"},
        {"maps,profile,defeat_min,defeat_max\n0,L1,,5\n",
         "targets.csv:2:1: maps: \"0\" is not within 1-268"},
        {"maps,profile,defeat_min,defeat_max\n1-269,L1,,5\n",
         "targets.csv:2:1: maps: \"1-269\" is not within"},
        {"maps,profile,defeat_min,defeat_max\n9-3,L1,,5\n", "runs backwards"},
        {"maps,profile,defeat_min,defeat_max\n1-x,L1,,5\n",
         "targets.csv:2:1: maps: \"1-x\" is not a map number"},
        {"maps,profile,defeat_min,defeat_max\n3,L9,,5\n",
         "targets.csv:2:3: profile: \"L9\" is not a profile in use"},
        {"maps,profile,defeat_min,defeat_max\n3,L1,ten,5\n",
         "targets.csv:2:6: defeat_min: \"ten\" is not a percentage"},
        {"maps,profile,defeat_min,defeat_max\n3,L1,,100.5\n",
         "targets.csv:2:7: defeat_max: \"100.5\""},
        {"maps,profile,defeat_min,defeat_max\n3,L1,-1,\n", "defeat_min: \"-1\""},
        {"maps,profile,defeat_min,defeat_max\n3,L1,50,40\n",
         "targets.csv:2:6: defeat_min 50 is above defeat_max 40"},
        {"maps,profile,defeat_min,defeat_max\n3,L1\n",
         "targets.csv:2:1: 2 fields where the header has 4"},
        {"maps,profile,defeat_min,defeat_max,defeat_max\n1,L1,0,100,5\n",
         "targets.csv:1:36: a second column defeat_max"},
        {"maps,profile,defeat_min,defeat_max\n1-5,*,,10\n2,L4,20,30\n",
         "targets.csv:3:1: the band 20-30% for map 2 L4 does not overlap 0-10% given on line 2"},
        {"maps,profile,defeat_min,defeat_max\n4,L1,30,\n1-5,*,,40\n4,L1,,10\n",
         "does not overlap 30-40% given on line 2"},
        {"maps,profile,defeat_min,defeat_max\n4,L1,30,\n1-5,*,,40\n4,L1,50,\n",
         "does not overlap 30-40% given on line 3"},
    };
    std::string everyCellOverAndOver = "maps,profile,defeat_min,defeat_max\n";
    for (int row = 0; row < 40'000; ++row)
        everyCellOverAndOver += "1-268,*,,50\n";
    const std::string tooMany[] = {everyCellOverAndOver};
    for (const std::string& text : tooMany) {
        try {
            targetsFromCsv(text, "targets.csv", kProfiles);
            ADD_FAILURE() << "a table naming over 20 million cells is read";
        } catch (const DataError& error) {
            EXPECT_NE(std::string(error.what())
                          .find("targets.csv:37315:1: the rows so far name "
                                "more than 20000000 cells"),
                      std::string::npos)
                << error.what();
        }
    }
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        try {
            targetsFromCsv(row.text, "targets.csv", kProfiles);
            ADD_FAILURE() << "no error";
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidPropertyValue);
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos)
                << error.what();
        }
    }
}

TEST(TargetsTest, UnbeatableCountsAsCertainDefeatEmptyAsNoneAndAnErrorMissesEveryBand) {
    const auto outcome = [](Verdict verdict, std::optional<double> percent) {
        MapOutcome o;
        o.verdict = verdict;
        o.defeatPercent = percent;
        return o;
    };
    const struct {
        MapOutcome outcome;
        std::optional<TargetBand> band;
        TargetStatus status;
        double distance;
    } cases[] = {
        {outcome(Verdict::Unbeatable, {}), TargetBand{0, 100}, TargetStatus::Inside, 0},
        {outcome(Verdict::Unbeatable, {}), TargetBand{0, 99.5}, TargetStatus::TooDangerous, 0.5},
        {outcome(Verdict::Empty, {}), TargetBand{0, 0}, TargetStatus::Inside, 0},
        {outcome(Verdict::Empty, {}), TargetBand{1, 10}, TargetStatus::TooEasy, 1},
        {outcome(Verdict::Error, {}), TargetBand{0, 100}, TargetStatus::Failed, 100},
        {outcome(Verdict::Risky, 21), TargetBand{0, 10}, TargetStatus::TooDangerous, 11},
        {outcome(Verdict::Risky, 10), TargetBand{0, 10}, TargetStatus::Inside, 0},
        {outcome(Verdict::Safe, 0), TargetBand{2, 10}, TargetStatus::TooEasy, 2},
        {outcome(Verdict::Deadly, 50), std::nullopt, TargetStatus::NoBand, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        EXPECT_EQ(targetStatus(row.band, row.outcome), row.status);
        if (row.band) {
            EXPECT_DOUBLE_EQ(distanceOutside(*row.band, row.outcome), row.distance);
        }
    }
}

} // namespace
} // namespace valmor::test
