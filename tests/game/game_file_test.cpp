// Opening game files the one safe way, the writers' lock, and replacing a file whole: what
// is no regular file is refused at once, a second writer waits and then gives up, and a
// replace never loses a change or leaves its temporary file.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "files/file_replace.h"
#include "files/game_file.h"
#include "files/record_file.h"
#include "game/item_list.h"
#include "game/palette.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class GameFileTest : public TempDirTest {
protected:
    // A file of every kind that is no regular file, each named after its kind.
    void makeHostileFiles() {
        ASSERT_EQ(mkfifo(file("pipe").c_str(), 0600), 0);
        fs::create_symlink("/dev/zero", file("device"));
        fs::create_directory(file("folder"));
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = file("socket").string();
        ASSERT_LT(path.size(), sizeof address.sun_path);
        std::copy(path.begin(), path.end(), address.sun_path);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);
    }
};

TEST_F(GameFileTest, WhatIsNoRegularFileIsRefusedAtOnceByEveryOpen) {
    makeHostileFiles();
    const std::pair<const char*, ErrorKind> cases[] = {
        {"pipe", ErrorKind::NotARegularFile},
        {"device", ErrorKind::NotARegularFile},
        {"socket", ErrorKind::NotARegularFile},
        {"folder", ErrorKind::IsAFolder},
    };
    // Each open would block forever on the pipe, or read the device without end.
    const std::pair<const char*, std::function<void(const fs::path&)>> opens[] = {
        {"open", [](const fs::path& p) { GameFile::open(p, GameFile::Access::Read); }},
        {"openOrCreate",
         [](const fs::path& p) { GameFile::openOrCreate(p, GameFile::Access::ReadWrite); }},
        {"openLocked", [](const fs::path& p) { GameFile::openLocked(p, true); }},
        {"palette", [](const fs::path& p) { loadPalette(p); }},
        {"item list", [](const fs::path& p) { loadItemNames(p); }},
        {"record read",
         [](const fs::path& p) {
             Bytes record(86);
             readRecord(p, 1, record);
         }},
        {"record write", [](const fs::path& p) { writeRecord(p, 1, Bytes(86, 1)); }},
        {"record file", [](const fs::path& p) { readRecordFileBytes(p, 86); }},
    };
    for (const auto& [name, kind] : cases) {
        for (const auto& [operation, open] : opens) {
            SCOPED_TRACE(std::string(name) + ", " + operation);
            try {
                open(file(name));
                ADD_FAILURE() << "opened";
            } catch (const DataError& error) {
                EXPECT_EQ(error.kind(), kind);
                EXPECT_EQ(error.subject().rfind(name, 0), 0u) << error.what();
            }
        }
    }
    EXPECT_TRUE(fs::is_fifo(file("pipe")));
}

// A folder opened for its game files, and a file opened under what should be a folder: each
// error names what the name turned out to be.
TEST_F(GameFileTest, WhatIsNoFolderIsRefusedWhereAFolderBelongs) {
    writeText(file("monster.dat"), "frames");
    const struct {
        const char* name;
        std::function<void()> open;
        ErrorKind kind;
        std::string subject;
    } cases[] = {
        {"a file as the folder", [&] { GameDirectory::open(file("monster.dat")); },
         ErrorKind::NotAFolder, "monster.dat"},
        {"a file as the folder, with a slash", [&] { GameDirectory::open(dir_ / "monster.dat/"); },
         ErrorKind::NotAFolder, "monster.dat"},
        {"a folder under a file", [&] { GameDirectory::open(file("monster.dat") / "maps"); },
         ErrorKind::NotAFolder, "maps (a part of its path is not a folder)"},
        {"a file under a file",
         [&] { GameFile::open(file("monster.dat") / "a.png", GameFile::Access::Read); },
         ErrorKind::NotAFolder, "a.png (a part of its path is not a folder)"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        try {
            row.open();
            ADD_FAILURE() << "opened";
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), row.kind) << error.what();
            EXPECT_EQ(error.subject(), row.subject);
        }
    }
}

TEST_F(GameFileTest, ASecondWriterWaitsThenGivesUpBusy) {
    writeBytes(file("a.tat"), Bytes(86, 1));
    {
        const GameFile holder = GameFile::openLocked(file("a.tat"), false);
        const auto started = std::chrono::steady_clock::now();
        try {
            GameFile::openLocked(file("a.tat"), false, 200ms);
            ADD_FAILURE() << "locked twice";
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::FileBusy);
            EXPECT_NE(std::string(error.what()).find("another program is changing it"),
                      std::string::npos);
        }
        EXPECT_GE(std::chrono::steady_clock::now() - started, 200ms);
    }
    // Released with the holder: the next writer gets it at once.
    writeRecord(file("a.tat"), 1, Bytes(86, 2));
    EXPECT_EQ(readBytes(file("a.tat")), Bytes(86, 2));
}

TEST_F(GameFileTest, AWriterThatWaitedWritesIntoTheFileThatReplacedTheOneItWaitedFor) {
    writeBytes(file("a.tat"), Bytes(3 * 86, 1));
    std::future<void> save;
    {
        const GameFile importer = GameFile::openLocked(file("a.tat"), false);
        const FileIdentity lockedAs = importer.identity();
        // The Save opens the old file and waits for its lock...
        save = std::async(std::launch::async, [&] { writeRecord(file("a.tat"), 2, Bytes(86, 7)); });
        std::this_thread::sleep_for(300ms);
        // ...while the import renames a new file over it.
        replaceLockedFile(importer, lockedAs, std::string(3 * 86, '\x05'));
    }
    save.get();
    Bytes expected(3 * 86, 5);
    std::fill(expected.begin() + 86, expected.begin() + 2 * 86, 7);
    EXPECT_EQ(readBytes(file("a.tat")), expected);
}

TEST_F(GameFileTest, AReplaceRefusesAFileChangedBehindItsLock) {
    writeText(file("a.tat"), "old");
    const GameFile locked = GameFile::openLocked(file("a.tat"), false);
    const FileIdentity lockedAs = locked.identity();
    writeText(file("a.tat"), "changed by a program that takes no lock");
    EXPECT_EQ(errorKindOf([&] { replaceLockedFile(locked, lockedAs, "new"); }),
              ErrorKind::FileChanged);
    EXPECT_EQ(readText(file("a.tat")), "changed by a program that takes no lock");
    EXPECT_FALSE(fs::exists(file("a.tat.valmor-new")));
}

TEST_F(GameFileTest, AReplaceRemovesTheFileAnInterruptedOneLeftAndKeepsOwnerAndMode) {
    writeText(file("a.tat"), "old");
    writeText(file("a.tat.valmor-new"), "half of an interrupted replace");
    fs::permissions(file("a.tat"), fs::perms::owner_read | fs::perms::owner_write |
                                       fs::perms::group_read | fs::perms::others_read);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(file("a.tat").c_str(), 65534, 65534), 0);
    }
    {
        const GameFile locked = GameFile::openLocked(file("a.tat"), false);
        replaceLockedFile(locked, locked.identity(), "new");
    }
    EXPECT_EQ(readText(file("a.tat")), "new");
    EXPECT_FALSE(fs::exists(file("a.tat.valmor-new")));
    struct stat status {};
    ASSERT_EQ(stat(file("a.tat").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    if (root) {
        EXPECT_EQ(status.st_uid, 65534u);
        EXPECT_EQ(status.st_gid, 65534u);
    }
}

TEST_F(GameFileTest, TextFilesAreReadWithinABoundAndOnlyAsFarAsNeeded) {
    const std::string palette = [] {
        std::string text;
        for (int i = 0; i < 256; ++i)
            text += "1,2,3\n";
        return text;
    }();
    std::string items;
    for (int i = 0; i < 100; ++i)
        items += "Item " + std::to_string(i) + "\n";
    // 768 levels followed by far more than the bound: only the levels are read.
    writeText(file("long.pal"), palette + std::string(8 * kPaletteFileLimit, 'x'));
    EXPECT_EQ(loadPalette(file("long.pal")).paletteBlue[255], 12);
    writeText(file("long.txt"), items + std::string(2 * kTextFileLimit, 'x'));
    EXPECT_EQ(loadItemNames(file("long.txt")).back(), "Item 99");

    // Blanks up to the bound never give the levels or names: too large, never read whole.
    writeText(file("blank.pal"), std::string(kPaletteFileLimit, ' ') + palette);
    EXPECT_EQ(errorKindOf([&] { loadPalette(file("blank.pal")); }), ErrorKind::FileTooLarge);
    writeText(file("blank.txt"), std::string(kTextFileLimit + 1, ' ') + items);
    EXPECT_EQ(errorKindOf([&] { loadItemNames(file("blank.txt")); }), ErrorKind::FileTooLarge);
    // A file that ends right at the bound is read to its end.
    writeText(file("exact.pal"), std::string(kPaletteFileLimit - palette.size(), '\n') + palette);
    EXPECT_EQ(loadPalette(file("exact.pal")).paletteRed[0], 4);
}

TEST_F(GameFileTest, ARecordFileBeyondWhatRecordNumbersReachIsRefusedUnread) {
    { std::ofstream out(file("huge.tat")); }
    fs::resize_file(file("huge.tat"), 86 * 32768); // sparse: no space taken
    EXPECT_EQ(errorKindOf([&] { readRecordFileBytes(file("huge.tat"), 86); }),
              ErrorKind::FileTooLarge);
    fs::resize_file(file("huge.tat"), 86 * 32767);
    EXPECT_EQ(readRecordFileBytes(file("huge.tat"), 86).size(), 86u * 32767);
}

} // namespace
} // namespace valmor::test
