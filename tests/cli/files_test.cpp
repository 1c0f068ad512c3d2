// The atomic replace: the new file is written beside the old one and renamed over it, so a
// failure while writing leaves the old file as it was, and nothing else behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli_fixture.h"
#include "files/file_replace.h"
#include "files/game_file.h"
#include "game/monster_record.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class ReplaceFileTest : public TempDirTest {
protected:
    // Replaces a game file whole, as every import does: under its lock.
    void replaceGameFile(const fs::path& path, std::string_view bytes) {
        const GameFile locked = GameFile::openLocked(path, true);
        replaceLockedFile(locked, locked.identity(), bytes);
    }
};

TEST_F(ReplaceFileTest, ReplacesTheContentKeepingPermissions) {
    writeText(file("a.dat"), "old content");
    fs::permissions(file("a.dat"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    replaceGameFile(file("a.dat"), "new");
    EXPECT_EQ(readText(file("a.dat")), "new");
    EXPECT_EQ(fs::status(file("a.dat")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    cli::writeOutputFile(file("b.dat"), std::string(3, '\0'));
    EXPECT_EQ(readText(file("b.dat")), std::string(3, '\0'));
    EXPECT_EQ(entries(dir_), 2u);
}

TEST_F(ReplaceFileTest, AGameFileLinkKeepsTheLinkAnOutputLinkIsReplacedNotFollowed) {
    writeText(file("real.dat"), "old");
    fs::create_symlink("real.dat", file("link.dat"));
    replaceGameFile(file("link.dat"), "new");
    EXPECT_TRUE(fs::is_symlink(file("link.dat")));
    EXPECT_EQ(readText(file("real.dat")), "new");

    // An output never writes through a link that stands where it goes: the link is replaced.
    cli::writeOutputFile(file("link.dat"), "output");
    EXPECT_FALSE(fs::is_symlink(file("link.dat")));
    EXPECT_EQ(readText(file("link.dat")), "output");
    EXPECT_EQ(readText(file("real.dat")), "new");
}

TEST_F(ReplaceFileTest, RefusesWhatIsNoRegularFile) {
    ASSERT_EQ(mkfifo(file("pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", file("link.dat"));
    fs::create_directory(file("folder"));
    for (const char* name : {"pipe", "link.dat", "folder"}) {
        SCOPED_TRACE(name);
        const auto kind = errorKindOf([&] { replaceGameFile(file(name), "new"); });
        EXPECT_EQ(kind, std::string(name) == "folder" ? ErrorKind::IsAFolder
                                                      : ErrorKind::NotARegularFile);
    }
    EXPECT_THROW(cli::writeOutputFile(file("folder"), "new"), cli::CliError);
    EXPECT_EQ(entries(dir_), 3u);
}

// What a reader at the other end of a pipe or a socket got.
std::string readAll(int fd) {
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        got.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return got;
}

TEST_F(ReplaceFileTest, AnOutputOntoAStreamIsWrittenIntoAndNeverReplaced) {
    ASSERT_EQ(mkfifo(file("pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", file("link-to-pipe"));
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = file("socket").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    const std::pair<const char*, std::function<int()>> streams[] = {
        {"pipe", [&] { return open(file("pipe").c_str(), O_RDONLY); }},
        {"link-to-pipe", [&] { return open(file("pipe").c_str(), O_RDONLY); }},
        {"socket", [&] { return accept(listener, nullptr, nullptr); }},
    };
    for (const auto& [name, reader] : streams) {
        SCOPED_TRACE(name);
        auto got = std::async(std::launch::async, [&] { return readAll(reader()); });
        cli::writeOutputFile(file(name), std::string(100000, 'x'));
        EXPECT_EQ(got.get(), std::string(100000, 'x'));
    }
    close(listener);
    cli::writeOutputFile("/dev/null", "into the void");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_fifo(file("pipe")));
    EXPECT_TRUE(fs::is_symlink(file("link-to-pipe")));
    EXPECT_TRUE(fs::is_socket(file("socket")));
    EXPECT_EQ(entries(dir_), 3u);
}

TEST_F(ReplaceFileTest, ADescriptorNamedAnewIsAppendedToNotWrittenFromItsStart) {
    // As `valmor-data ... -o /dev/stdout >> log` has it: the name opens the log once more,
    // and that opening must not write over the lines the log holds.
    writeText(file("log"), "earlier lines\n");
    const int log = open(file("log").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(log, 0);
    const std::string number = std::to_string(log);
    const std::string names[] = {"/dev/stdout", "/dev/fd/" + number, "/proc/self/fd/" + number};
    // Standard output goes to the log meanwhile: nothing may throw or print before it is back.
    std::vector<std::string> failures;
    std::fflush(stdout);
    const int terminal = dup(STDOUT_FILENO);
    dup2(log, STDOUT_FILENO);
    for (const std::string& name : names) {
        try {
            if (cli::writeOutputFile(name, name + "\n"))
                failures.push_back(name + ": replaced, not written into");
        } catch (const std::exception& error) {
            failures.push_back(error.what());
        }
    }
    dup2(terminal, STDOUT_FILENO);
    close(terminal);
    close(log);
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
    EXPECT_EQ(readText(file("log")),
              "earlier lines\n/dev/stdout\n/dev/fd/" + number + "\n/proc/self/fd/" + number + "\n");
    EXPECT_EQ(entries(dir_), 1u);
}

TEST_F(ReplaceFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string old(2000, 'o');
    writeText(file("a.dat"), old);
    {
        const FileSizeLimit limit(4096);
        try {
            cli::writeOutputFile(file("a.dat"), std::string(10000, 'n'));
            ADD_FAILURE() << "written past the limit";
        } catch (const cli::CliError& error) {
            EXPECT_NE(std::string(error.what()).find("; the old file is unchanged"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_EQ(errorKindOf([&] { replaceGameFile(file("a.dat"), std::string(10000, 'n')); }),
                  ErrorKind::DiskFull);
    }
    EXPECT_EQ(readText(file("a.dat")), old);
    EXPECT_EQ(entries(dir_), 1u);
}

TEST_F(ReplaceFileTest, AnUnwritableFolderLeavesTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    writeText(file("a.dat"), "old");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(cli::writeOutputFile(file("a.dat"), "new"), cli::CliError);
    EXPECT_EQ(errorKindOf([&] { replaceGameFile(file("a.dat"), "new"); }),
              ErrorKind::PermissionDenied);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(readText(file("a.dat")), "old");
}

class AtomicImportTest : public DemoDirTest {};

TEST_F(AtomicImportTest, AnImportThatCannotBeWrittenLeavesTheOldFile) {
    cli::exportStats(session(), tables::TableFormat::Csv, {});
    const std::string table = out_.str();
    std::string changed = table;
    changed.replace(changed.find(",8,8,"), 5, ",9,9,");
    const Bytes before = readBytes(file(kMonsterFileName));
    {
        const FileSizeLimit limit(1000); // the stats file is 4902 bytes
        EXPECT_THROW(cli::importStats(session(changed), "-", std::nullopt), cli::CliError);
    }
    EXPECT_EQ(readBytes(file(kMonsterFileName)), before);
    EXPECT_EQ(entries(dir_), 5u);
    EXPECT_EQ(cli::importStats(session(changed), "-", std::nullopt), 57u);
    EXPECT_NE(readBytes(file(kMonsterFileName)), before);
}

} // namespace
} // namespace valmor::test
