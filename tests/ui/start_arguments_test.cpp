// The editor's command line: the folder it works on, --help and --version, and the command
// lines it refuses; and that --help and --version need no display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>

#include "app/start_arguments.h"
#include "data/temp_dir.h"

namespace valmor::test {
namespace {

using Outcome = StartArguments::Outcome;

struct StartRow {
    const char* name;
    std::vector<QString> arguments; // after the program's name
    Outcome outcome;
    const char* dataDir;  // for Run: relative to the fixture's working directory
    const char* textPart; // a part of the text, empty when there is none
};

void PrintTo(const StartRow& row, std::ostream* out) {
    *out << row.name;
}

class StartArgumentsTest : public TempDirTest, public ::testing::WithParamInterface<StartRow> {
protected:
    void SetUp() override {
        std::filesystem::create_directory(file("game"));
        std::filesystem::create_directory(file("-odd"));
        writeText(file("monster.dat"), "not a folder");
    }
};

TEST_P(StartArgumentsTest, ReadsTheCommandLine) {
    const StartRow& row = GetParam();
    QStringList arguments{QStringLiteral("/usr/bin/valmor-editor")};
    for (const QString& argument : row.arguments)
        arguments.append(argument.contains(QLatin1String("%DIR%"))
                             ? QString(argument).replace(QLatin1String("%DIR%"),
                                                         QString::fromStdString(dir_.string()))
                             : argument);
    const StartArguments start = readStartArguments(arguments, dir_);
    EXPECT_EQ(start.outcome, row.outcome) << start.text.toStdString();
    if (row.outcome == Outcome::Run) {
        const std::filesystem::path expected = *row.dataDir == '\0' ? dir_ : dir_ / row.dataDir;
        EXPECT_EQ(start.dataDir.lexically_normal(), expected.lexically_normal());
    } else
        EXPECT_TRUE(start.dataDir.empty());
    EXPECT_TRUE(start.text.contains(QString::fromUtf8(row.textPart))) << start.text.toStdString();
    EXPECT_EQ(start.text.isEmpty(), *row.textPart == '\0') << start.text.toStdString();
}

const std::string kVersionLine = std::string("valmor-editor ") + VALMOR_VERSION + "\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, StartArgumentsTest,
    ::testing::Values(
        StartRow{"NoFolderIsTheWorkingDirectory", {}, Outcome::Run, "", ""},
        StartRow{"RelativeFolder", {"game"}, Outcome::Run, "game", ""},
        StartRow{"RelativeFolderWithSlash", {"game/"}, Outcome::Run, "game/", ""},
        StartRow{"AbsoluteFolder", {"%DIR%/game"}, Outcome::Run, "game", ""},
        StartRow{"DotIsTheWorkingDirectory", {"."}, Outcome::Run, ".", ""},
        StartRow{"FolderNamedLikeAnOptionAfterDashes", {"--", "-odd"}, Outcome::Run, "-odd", ""},
        StartRow{"MissingFolder",
                 {"nowhere"},
                 Outcome::FolderError,
                 "",
                 "Cannot open the game folder \"nowhere\": no such folder."},
        StartRow{"MissingAbsoluteFolder",
                 {"/nonexistent-valmor/game"},
                 Outcome::FolderError,
                 "",
                 "\"/nonexistent-valmor/game\": no such folder."},
        StartRow{"FileIsNoFolder",
                 {"monster.dat"},
                 Outcome::FolderError,
                 "",
                 "\"monster.dat\": not a folder."},
        StartRow{
            "PathThroughAFile", {"monster.dat/game"}, Outcome::FolderError, "", "no such folder"},
        StartRow{"EmptyName", {""}, Outcome::FolderError, "", "the name is empty"},
        StartRow{"TwoFolders",
                 {"game", "game"},
                 Outcome::UsageError,
                 "",
                 "valmor-editor: expected at most one FOLDER, got 2\nTry 'valmor-editor --help'."},
        StartRow{"UnknownOption",
                 {"--bogus"},
                 Outcome::UsageError,
                 "",
                 "valmor-editor: Unknown option 'bogus'."},
        StartRow{"UnknownOptionBeatsHelp",
                 {"--bogus", "--help"},
                 Outcome::UsageError,
                 "",
                 "Unknown option"},
        StartRow{"LongHelp",
                 {"--help"},
                 Outcome::Print,
                 "",
                 "Usage: valmor-editor [OPTIONS] [FOLDER]\n"},
        StartRow{"ShortHelp", {"-h"}, Outcome::Print, "", "  -v, --version  show the version\n"},
        StartRow{"HelpBeatsAMissingFolder", {"nowhere", "--help"}, Outcome::Print, "", "Usage:"},
        StartRow{"LongVersion", {"--version"}, Outcome::Print, "", kVersionLine.c_str()},
        StartRow{"ShortVersion", {"-v"}, Outcome::Print, "", kVersionLine.c_str()},
        StartRow{"VersionBeatsAFileArgument",
                 {"monster.dat", "-v"},
                 Outcome::Print,
                 "",
                 kVersionLine.c_str()}),
    [](const ::testing::TestParamInfo<StartRow>& info) { return std::string(info.param.name); });

TEST(StartArgumentsVersion, IsTheWholeText) {
    const StartArguments start =
        readStartArguments({QStringLiteral("valmor-editor"), QStringLiteral("--version")}, "/");
    EXPECT_EQ(start.text.toStdString(), kVersionLine);
}

// The real program, with no display and no platform named: --help and --version answer
// before any window system is needed.
struct ProcessRow {
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* outPart;
    const char* errPart;
};

void PrintTo(const ProcessRow& row, std::ostream* out) {
    *out << row.name;
}

class EditorProcessTest : public ::testing::TestWithParam<ProcessRow> {};

TEST_P(EditorProcessTest, AnswersWithoutADisplay) {
    const ProcessRow& row = GetParam();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess editor;
    editor.setProcessEnvironment(environment);
    editor.start(QStringLiteral(VALMOR_EDITOR_EXE), row.arguments);
    ASSERT_TRUE(editor.waitForFinished(30000)) << editor.errorString().toStdString();
    const std::string out = editor.readAllStandardOutput().toStdString();
    const std::string err = editor.readAllStandardError().toStdString();
    EXPECT_EQ(editor.exitStatus(), QProcess::NormalExit) << err;
    EXPECT_EQ(editor.exitCode(), row.exitCode) << err;
    EXPECT_NE(out.find(row.outPart), std::string::npos) << out;
    EXPECT_NE(err.find(row.errPart), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EditorProcessTest,
    ::testing::Values(ProcessRow{"Version", {"--version"}, 0, kVersionLine.c_str(), ""},
                      ProcessRow{"Help", {"--help"}, 0, "Usage: valmor-editor", ""}),
    [](const ::testing::TestParamInfo<ProcessRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace valmor::test
