// The atomic replace: the new file is written beside the old one and renamed over it, so a
// failure while writing leaves the old file as it was, and nothing else behind.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli_fixture.h"
#include "data/monster_record.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

// Lowers the largest file this process may write, so that a write fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit saved_{};
    void (*handler_)(int) = SIG_DFL;
};

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class ReplaceFileTest : public TempDirTest {};

TEST_F(ReplaceFileTest, ReplacesTheContentKeepingPermissions) {
    writeText(file("a.dat"), "old content");
    fs::permissions(file("a.dat"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    cli::replaceFile(file("a.dat"), "new");
    EXPECT_EQ(readText(file("a.dat")), "new");
    EXPECT_EQ(fs::status(file("a.dat")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    cli::replaceFile(file("b.dat"), std::string(3, '\0'));
    EXPECT_EQ(readText(file("b.dat")), std::string(3, '\0'));
    EXPECT_EQ(entries(dir_), 2u);
}

TEST_F(ReplaceFileTest, ReplacesTheFileALinkNamesAndKeepsTheLink) {
    writeText(file("real.dat"), "old");
    fs::create_symlink("real.dat", file("link.dat"));
    cli::replaceFile(file("link.dat"), "new");
    EXPECT_TRUE(fs::is_symlink(file("link.dat")));
    EXPECT_EQ(readText(file("real.dat")), "new");
}

TEST_F(ReplaceFileTest, RefusesWhatIsNoRegularFile) {
    ASSERT_EQ(mkfifo(file("pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", file("link.dat"));
    fs::create_directory(file("folder"));
    for (const char* name : {"pipe", "link.dat", "folder"}) {
        try {
            cli::replaceFile(file(name), "new");
            ADD_FAILURE() << name;
        } catch (const cli::CliError& error) {
            EXPECT_NE(std::string(error.what()).find("not a regular file; nothing was written"),
                      std::string::npos);
        }
    }
    EXPECT_TRUE(fs::is_fifo(file("pipe")));
    EXPECT_EQ(entries(dir_), 3u);
}

TEST_F(ReplaceFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string old(2000, 'o');
    writeText(file("a.dat"), old);
    {
        const FileSizeLimit limit(4096);
        try {
            cli::replaceFile(file("a.dat"), std::string(10000, 'n'));
            ADD_FAILURE() << "written past the limit";
        } catch (const cli::CliError& error) {
            EXPECT_NE(std::string(error.what()).find("; the old file is unchanged"),
                      std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(readText(file("a.dat")), old);
    EXPECT_EQ(entries(dir_), 1u);
}

TEST_F(ReplaceFileTest, AnUnwritableFolderLeavesTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    writeText(file("a.dat"), "old");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(cli::replaceFile(file("a.dat"), "new"), cli::CliError);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(readText(file("a.dat")), "old");
}

class AtomicImportTest : public DemoDirTest {};

TEST_F(AtomicImportTest, AnImportThatCannotBeWrittenLeavesTheOldFile) {
    cli::exportStats(session(), cli::TableFormat::Csv, {});
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
