// valmor-data tune through the whole tool: its exit status, its change list on standard
// output and its summary on standard error, and the refusals of its inputs and outputs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "demo/tables.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

class TuneTest : public DemoDirTest {
protected:
    void SetUp() override { demo::writeDemoData(dir_, true, true); }

    ToolRun tune(std::vector<std::string> more) {
        // Names of files in the game folder, as the tool is run from elsewhere.
        for (std::string& argument : more) {
            if (argument.ends_with(".csv") || argument.ends_with(".tat"))
                argument = file(argument).string();
        }
        std::vector<std::string> arguments{
            "-C",       dir_.string(), "tune", "--characters", file("characters.csv").string(),
            "--targets"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runTool(arguments);
    }
};

TEST_F(TuneTest, ExitStatusSaysWhetherEveryBandIsMet) {
    writeText(file("easy.csv"), "maps,profile,defeat_min,defeat_max\n1-268,*,,\n");
    writeText(file("bad.csv"), "maps,profile,defeat_min,defeat_max\n1-5,L2,,\n7,L21,,5\n");
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out; // the start of standard output
        std::string err; // a part of standard error
    } cases[] = {
        {{"targets.csv"}, 1, "file,record,field,old,new\nmonsters.tat,", "tune: 243 of 751 cells"},
        {{"easy.csv"}, 0, "file,record,field,old,new\n", "tune: 0 of 5360 cells"},
        {{"bad.csv"}, 2, "", "bad.csv:3:3: profile: \"L21\" is not a profile in use"},
        {{"missing.csv"}, 2, "", "missing.csv"},
        {{"targets.csv", "--levers", "stats,colours"},
         2,
         "",
         "--levers: \"colours\" is not a lever"},
        {{"targets.csv", "--fields", "hp,gold"}, 2, "", "--fields: \"gold\" is not one of"},
        {{"targets.csv", "--monsters", "9-3"}, 2, "", "--monsters: \"9-3\" is not"},
        {{"targets.csv", "--max-change", "0"}, 2, "", "--max-change: \"0\" is not a percentage"},
        {{"targets.csv", "--fields", ""}, 2, "", "--fields is empty"},
        {{"targets.csv", "--monsters", " "}, 2, "", "--monsters is empty"},
        {{"targets.csv", "--monsters", "4", "--monsters", "5"},
         2,
         "",
         "--monsters is given more than once"},
        {{"targets.csv", "--max-change", "1e12"}, 1, "file,", "with 39 changes, 41 are"},
        {{"targets.csv", "-o", "targets.csv"}, 2, "", "will not write a change list over"},
        {{"targets.csv", "-o", "monsters.tat"}, 2, "", "will not write a change list over"},
        {{"targets.csv", "-o", "characters.csv"}, 2, "", "will not write a change list over"},
    };
    const std::string targets = readText(file("targets.csv"));
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const ToolRun run = tune(row.arguments);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_TRUE(run.out.starts_with(row.out)) << run.out;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    }
    EXPECT_EQ(readText(file("targets.csv")), targets);

    std::string many = "name,level,strength,agility,item_damage,item_defense,hp\n";
    for (int p = 0; p < 201; ++p)
        many += "P" + std::to_string(p) + ",1,10,10,10,10,50\n";
    writeText(file("many.csv"), many);
    const ToolRun tooMany =
        runTool({"-C", dir_.string(), "tune", "--characters", file("many.csv").string(),
                 "--targets", file("easy.csv").string()});
    EXPECT_EQ(tooMany.status, 2);
    EXPECT_NE(tooMany.err.find("tune takes at most 200 profiles, 201 given"), std::string::npos)
        << tooMany.err;
}

TEST_F(TuneTest, TheSameFilesGiveTheSameBytesAndTheSummaryNamesEachChange) {
    const ToolRun first = tune({"targets.csv", "-o", "changes.csv"});
    const ToolRun second = tune({"targets.csv"});
    ASSERT_EQ(first.status, 1) << first.err;
    EXPECT_EQ(readText(file("changes.csv")), second.out);
    EXPECT_EQ(first.err, second.err);
    const std::string& summary = first.err;
    const std::size_t lines = static_cast<std::size_t>(std::ranges::count(second.out, '\n'));
    // A line per change, a line per cell still outside, and the heading lines.
    EXPECT_NE(summary.find("  Gold Slime (4): offMax 12 -> "), std::string::npos) << summary;
    EXPECT_NE(summary.find("; fixes map 4 L1, map 9 L1"), std::string::npos) << summary;
    EXPECT_NE(summary.find("cells still outside their band, and why:"), std::string::npos);
    EXPECT_NE(summary.find("does not prove"), std::string::npos);
    EXPECT_GT(lines, 10u);
}

// The cells a summary lists as still outside their band, one name a line.
std::vector<std::string> cellsStillOutside(const std::string& summary) {
    std::vector<std::string> cells;
    const std::size_t from = summary.find("cells still outside their band, and why:\n");
    std::istringstream lines(from == std::string::npos ? "" : summary.substr(from));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && line.starts_with("  "))
        cells.push_back(line.substr(2, line.find(": ") - 2));
    return cells;
}

TEST_F(TuneTest, AppliedChangesLeaveOutsideExactlyTheCellsTheSummaryNamed) {
    const ToolRun proposed = tune({"targets.csv", "-o", "changes.csv"});
    ASSERT_EQ(proposed.status, 1) << proposed.err;
    const ToolRun applied = runTool({"-C", dir_.string(), "apply", file("changes.csv").string()});
    ASSERT_EQ(applied.status, 0) << applied.err;
    const ToolRun after = tune({"targets.csv"});
    EXPECT_EQ(after.status, 1);
    EXPECT_EQ(after.out, "file,record,field,old,new\n") << "nothing left to change";
    const std::vector<std::string> outside = cellsStillOutside(proposed.err);
    EXPECT_EQ(cellsStillOutside(after.err), outside);
    EXPECT_NE(after.err.find("tune: " + std::to_string(outside.size()) + " of 751 cells"),
              std::string::npos)
        << after.err;
}

} // namespace
} // namespace valmor::test
