// git diff through textconv: a real repository holding the demo data, set up with the
// README's two lines, shows a field changed with the tool as a changed line of text.
// git runs with no system or user configuration, so the test sees only its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "cli_fixture.h"

namespace valmor::test {
namespace {

class GitTextconvTest : public TempDirTest {
protected:
    struct Run {
        int status;
        std::string out; // standard output and standard error together
    };

    // Runs a shell command in the repository, with valmor-data first on the PATH. The
    // command goes through a script file, so it is run exactly as written.
    Run shell(const std::string& command) {
        writeText(dir_ / "command.sh", command + '\n');
        const std::filesystem::path tool = VALMOR_DATA_EXE;
        const std::string full = "cd '" + repo().string() + "' && env HOME='" + dir_.string() +
                                 "' XDG_CONFIG_HOME='" + dir_.string() +
                                 "' GIT_CONFIG_NOSYSTEM=1 GIT_PAGER=cat PATH='" +
                                 tool.parent_path().string() + "':\"$PATH\" sh '" +
                                 (dir_ / "command.sh").string() + "' 2>&1";
        Run run{-1, {}};
        FILE* pipe = popen(full.c_str(), "r");
        if (pipe == nullptr)
            return run;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, got);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    void mustRun(const std::string& command) {
        const Run run = shell(command);
        ASSERT_EQ(run.status, 0) << command << '\n' << run.out;
    }

    std::filesystem::path repo() const { return dir_ / "game"; }

    // The lines of `text` that start with `start`.
    static std::vector<std::string> linesStartingWith(const std::string& text,
                                                      const std::string& start) {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            const std::string line = text.substr(at, end - at);
            if (line.rfind(start, 0) == 0)
                lines.push_back(line);
            at = end + 1;
        }
        return lines;
    }
};

TEST_F(GitTextconvTest, GitDiffShowsTheChangedFieldOfAStatsRecord) {
    demo::writeDemoData(repo());
    mustRun("git init -q . && git config user.name Tester && git config user.email t@example.org");
    // The README's two lines, as printed there.
    mustRun(
        R"(printf '%s diff=valmor\n' mypal.pal monster.dat monsters.tat encountr.mon itemlist.txt >> .gitattributes)");
    mustRun(R"(git config diff.valmor.textconv "valmor-data textconv")");
    mustRun("git add -A && git commit -q -m demo");

    // Monster 11's hp through the tool: export, change one cell, import.
    mustRun("valmor-data export-stats -o ../stats.csv");
    std::string table = readText(dir_ / "stats.csv");
    const std::string before = "\"Hobgoblin \",82,";
    const std::size_t at = table.find(before);
    ASSERT_NE(at, std::string::npos) << table.substr(0, 300);
    table.replace(at, before.size(), "\"Hobgoblin \",90,");
    writeText(dir_ / "stats.csv", table);
    mustRun("valmor-data import-stats ../stats.csv");

    const Run diff = shell("git diff");
    ASSERT_EQ(diff.status, 0) << diff.out;
    EXPECT_EQ(diff.out.find("Binary files"), std::string::npos) << diff.out;
    const auto removed = linesStartingWith(diff.out, "-monster 11: ");
    const auto added = linesStartingWith(diff.out, "+monster 11: ");
    ASSERT_EQ(removed.size(), 1u) << diff.out;
    ASSERT_EQ(added.size(), 1u) << diff.out;
    EXPECT_NE(removed[0].find(" hp=82 hp2=82 "), std::string::npos) << removed[0];
    EXPECT_NE(added[0].find(" hp=90 hp2=82 "), std::string::npos) << added[0];
    // Nothing else changed: one record's two lines and no other.
    EXPECT_EQ(linesStartingWith(diff.out, "-").size(), 2u) << diff.out; // with "--- a/..."
    EXPECT_EQ(linesStartingWith(diff.out, "+").size(), 2u) << diff.out; // with "+++ b/..."
    EXPECT_EQ(linesStartingWith(diff.out, "diff --git").size(), 1u) << diff.out;
}

// A commit whose stats file no record numbers reach: textconv shows it as one line, so
// git log -p goes on to the commits before it and git show shows its other files.
TEST_F(GitTextconvTest, ACommitOfAFileTooLargeToShowStopsNeitherLogNorShow) {
    demo::writeDemoData(repo());
    mustRun("git init -q . && git config user.name Tester && git config user.email t@example.org");
    mustRun(
        R"(printf '%s diff=valmor\n' mypal.pal monster.dat monsters.tat encountr.mon itemlist.txt >> .gitattributes)");
    mustRun(R"(git config diff.valmor.textconv "valmor-data textconv")");
    mustRun("git add -A && git commit -q -m first");
    mustRun("cp monsters.tat ../monsters.tat && truncate -s 3440000 monsters.tat && "
            "echo Lantern >> itemlist.txt && git commit -q -am grown");
    mustRun("cp ../monsters.tat monsters.tat && git commit -q -am shrunk");

    struct Case {
        const char* row;
        const char* command;
        std::vector<std::string> shown; // lines that start so, each at least once
    };
    const Case cases[] = {
        {"log -p reaches the first commit",
         "git log -p",
         {"+monsters.tat not shown (File too large: monsters.tat (3440000 bytes: ",
          "-monsters.tat not shown (File too large: ", "+item ", "+monster 0: "}},
        {"show of the commit shows its other file", "git show HEAD~1", {"+item "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const Run run = shell(c.command);
        EXPECT_EQ(run.status, 0) << run.out.substr(0, 2000);
        EXPECT_EQ(run.out.find("fatal"), std::string::npos) << run.out.substr(0, 2000);
        for (const std::string& start : c.shown)
            EXPECT_FALSE(linesStartingWith(run.out, start).empty()) << start;
    }
}

TEST_F(GitTextconvTest, AnUnnamedFileMakesGitDiffFailRatherThanShowNothing) {
    demo::writeDemoData(repo());
    mustRun("git init -q . && git config user.name Tester && git config user.email t@example.org");
    mustRun("echo \"notes.txt diff=valmor\" > .gitattributes && echo one > notes.txt");
    mustRun("git config diff.valmor.textconv \"valmor-data textconv\"");
    mustRun("git add -A && git commit -q -m notes && echo two > notes.txt");
    const Run diff = shell("git diff");
    EXPECT_NE(diff.status, 0) << diff.out;
    EXPECT_NE(diff.out.find("no game file of this name"), std::string::npos) << diff.out;
}

} // namespace
} // namespace valmor::test
