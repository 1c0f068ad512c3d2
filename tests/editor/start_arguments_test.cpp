// The editor's command line: the folder it works on (its name as bytes, its path as deep as a
// folder can be), --help and --version, and the command lines it refuses; and that --help
// and --version need no display.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "app/start_arguments.h"
#include "editor_fixture.h"
#include "game/item_list.h"
#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

using Outcome = StartArguments::Outcome;

struct StartRow {
    const char* name;
    std::vector<std::string> arguments; // their bytes, after the program's name
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
        std::filesystem::create_directory(file("caf\xE9"));
        writeText(file("monster.dat"), "not a folder");
    }
};

TEST_P(StartArgumentsTest, ReadsTheCommandLine) {
    const StartRow& row = GetParam();
    std::vector<std::string> bytes{"/usr/bin/valmor-editor"};
    for (std::string argument : row.arguments) {
        if (const std::size_t at = argument.find("%DIR%"); at != std::string::npos)
            argument.replace(at, 5, dir_.string());
        bytes.push_back(argument);
    }
    std::vector<const char*> argv;
    for (const std::string& argument : bytes)
        argv.push_back(argument.c_str());
    const StartArguments start =
        readStartArguments(commandLine(static_cast<int>(argv.size()), argv.data()), dir_);
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
        StartRow{"FolderNamedInLatin1", {"caf\xE9"}, Outcome::Run, "caf\xE9", ""},
        StartRow{"MissingFolderShowsItsNameEscaped",
                 {"nowhere\xE9\x1B]0;owned\x07"},
                 Outcome::FolderError,
                 "",
                 R"("nowhere\xE9\x1B]0;owned\x07": no such folder.)"},
        StartRow{"MissingFolderNamedInUtf8",
                 {"caf\xC3\xA9-\xE2\x82\xAC"},
                 Outcome::FolderError,
                 "",
                 "\"caf\xC3\xA9-\xE2\x82\xAC\": no such folder."},
        StartRow{"FolderNamedLikeHtml",
                 {"<h1>BIG</h1><img src=\"x.png\">"},
                 Outcome::FolderError,
                 "",
                 "\"<h1>BIG</h1><img src=\"x.png\">\": no such folder."},
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
        StartRow{"UnknownOptionShownEscaped",
                 {"--b\xE9\x1B"},
                 Outcome::UsageError,
                 "",
                 R"(Unknown option 'b\xE9\x1B'.)"},
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

// A game folder whose absolute path is longer than PATH_MAX, made, edited and removed with
// the working directory inside it, as no whole path of it can be used.
TEST_F(StartArgumentsTest, AFolderDeeperThanAPathCanBeIsEnteredAndEdited) {
    const std::string name(200, 'd');
    std::filesystem::path deep = dir_;
    const int back = ::open(".", O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
    for (; deep.native().size() <= PATH_MAX; deep /= name)
        ASSERT_TRUE(::mkdir(name.c_str(), 0700) == 0 && ::chdir(name.c_str()) == 0);
    struct stat deepest {
    }, entered{};
    ::stat(".", &deepest);
    ASSERT_EQ(::fchdir(back), 0);

    const char* argv[] = {"valmor-editor", deep.c_str()};
    const StartArguments start = readStartArguments(commandLine(2, argv), "/");
    ASSERT_EQ(start.outcome, Outcome::Run) << start.text.toStdString();
    EXPECT_FALSE(enterFolder(dir_ / "missing"));
    ASSERT_TRUE(enterFolder(start.dataDir));
    ::stat(".", &entered);
    EXPECT_EQ(std::pair(entered.st_dev, entered.st_ino), std::pair(deepest.st_dev, deepest.st_ino));
    // The editor on its five files named alone: start-up, a pick and a Save.
    writeText(kPaletteFileName, fixturePalette());
    writeBytes(kSpriteFileName, fixtureSprites(3));
    writeText(kItemListFileName, fixtureItems(100));
    std::vector<DataError> errors;
    {
        MainWindow window{std::filesystem::path()};
        window.setErrorReport(std::make_unique<RecordingErrorReport>(errors));
        window.loadGameFolder();
        MainWindowTestView view(window);
        view.cboMonsterList->setCurrentIndex(2);
        Q_EMIT view.cboMonsterList->activated(2);
        view.txtHP->setText(QStringLiteral("77"));
        view.cmdSave->click();
    }
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(readMonsterRecord(kMonsterFileName, 2).hp, 77);
    for (const char* file : {kPaletteFileName, kSpriteFileName, kItemListFileName, kMonsterFileName,
                             kEncounterFileName})
        std::filesystem::remove(file);
    while (::chdir("..") == 0 && ::rmdir(name.c_str()) == 0) {
    }
    ASSERT_EQ(::fchdir(back), 0);
    ::close(back);
}

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
