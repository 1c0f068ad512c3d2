// Byte-addressed reads and fixed-length record access on real files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <functional>

#include "files/byte_file.h"
#include "files/game_file.h"
#include "files/record_file.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

Bytes pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return bytes;
}

using ByteFileTest = TempDirTest;

TEST_F(ByteFileTest, ReadsAtPositionsZeroFillsPastTheEndAndRejectsPositionsBelowOne) {
    const std::pair<std::int64_t, Bytes> cases[] = {
        {1, {1, 8, 15, 22, 29}},
        {4, {22, 29, 0, 0}},
        {6, {0, 0, 0}},
        {1000, {0}},
        {5, {29}},
        {0, {0xAA, 0xAA}},
        {-1, {0xAA}},
        {-9000, {0xAA, 0xAA, 0xAA}},
    };
    writeBytes(file("data.bin"), pattern(5));
    const ByteFile bytes(file("data.bin"));
    EXPECT_EQ(bytes.length(), 5);
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [position, expected] = row;
        Bytes got(expected.size(), 0xAA);
        const auto error = errorKindOf([&] { bytes.read(position, got); });
        EXPECT_EQ(error, position < 1 ? std::optional(ErrorKind::BadRecordNumber) : std::nullopt);
        EXPECT_EQ(got, expected) << "position " << position;
    }
}

TEST_F(ByteFileTest, MissingFileIsCreatedReadOnlyFileIsReadDirectoryFails) {
    EXPECT_EQ(ByteFile(file("new.dat")).length(), 0);
    EXPECT_TRUE(fs::exists(file("new.dat")));
    writeBytes(file("ro.dat"), pattern(4));
    fs::permissions(file("ro.dat"), fs::perms::owner_read);
    Bytes got(4);
    ByteFile(file("ro.dat")).read(1, got);
    EXPECT_EQ(got, pattern(4));
    fs::create_directory(file("dir.dat"));
    EXPECT_TRUE(errorKindOf([&] { (void)ByteFile(file("dir.dat")).length(); }).has_value());
    EXPECT_TRUE(errorKindOf([&] { ByteFile(file("dir.dat")).read(1, got); }).has_value());
}

using WholeFileTest = TempDirTest;

TEST_F(WholeFileTest, ReadAllGivesTheWholeFileWithinItsBoundAndRefusesALargerOne) {
    struct Case {
        std::size_t size, limit;
        const char* refusal; // empty: read whole
    };
    const Case cases[] = {
        {0, 0, ""},
        {5, 5, ""},
        {5, 100, ""},
        {6, 5, "File too large: data.bin (6 bytes; more than the bound)"},
        {70000, 65536, "File too large: data.bin (70000 bytes; more than the bound)"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        writeBytes(file("data.bin"), pattern(row.size));
        const GameFile opened = GameFile::open(file("data.bin"), GameFile::Access::Read);
        try {
            const std::string bytes = opened.readAll(row.limit, "; more than the bound");
            EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), pattern(row.size));
            EXPECT_STREQ(row.refusal, "");
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::FileTooLarge);
            EXPECT_STREQ(error.what(), row.refusal);
        }
    }
}

using RecordFileTest = TempDirTest;

TEST_F(RecordFileTest, ReadsAndWritesRecordNInPlaceGrowingWithZeros) {
    struct Case {
        std::size_t fileSize, length;
        std::int32_t n;
        std::size_t sizeAfterWrite; // 0: BadRecordNumber, the file unchanged
    };
    const Case cases[] = {
        {30, 10, 1, 30}, {30, 10, 3, 30},   {30, 12, 3, 36},   {30, 10, 4, 40}, {0, 26, 1, 26},
        {0, 26, 3, 78},  {172, 86, 5, 430}, {95, 10, 10, 100}, {52, 26, 0, 0},  {52, 26, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        const Bytes before = pattern(c.fileSize);
        writeBytes(file("r.bin"), before);
        const std::size_t offset = c.n < 1 ? 0 : (c.n - 1) * c.length;
        Bytes expected(c.length, c.n < 1 ? 0xAA : 0);
        for (std::size_t i = 0; c.n >= 1 && i < c.length && offset + i < c.fileSize; ++i)
            expected[i] = before[offset + i];
        Bytes got(c.length, 0xAA);
        const auto readError = errorKindOf([&] { readRecord(file("r.bin"), c.n, got); });
        EXPECT_EQ(got, expected) << "n " << c.n << " length " << c.length;

        const Bytes record(c.length, 0xEE);
        const auto writeError = errorKindOf([&] { writeRecord(file("r.bin"), c.n, record); });
        Bytes after = before;
        if (c.n >= 1) {
            after.resize(c.sizeAfterWrite, 0);
            std::copy(record.begin(), record.end(), after.begin() + offset);
        } else {
            EXPECT_EQ(readError, ErrorKind::BadRecordNumber);
            EXPECT_EQ(writeError, ErrorKind::BadRecordNumber);
        }
        EXPECT_EQ(readBytes(file("r.bin")), after) << "n " << c.n << " length " << c.length;
    }
}

TEST_F(RecordFileTest, ASaveOverwritesNoChangeMadeSinceTheRead) {
    // Record 2 of 10 bytes (bytes 10 to 19) is read from a file holding `atRead`, then
    // another program changes the file, then the record is saved.
    const fs::path path = file("r.bin");
    const auto put = [&](std::size_t at, const Bytes& bytes) {
        return [=] {
            Bytes now = readBytes(path);
            now.resize(std::max(now.size(), at + bytes.size()));
            std::copy(bytes.begin(), bytes.end(), now.begin() + static_cast<std::ptrdiff_t>(at));
            writeBytes(path, now);
        };
    };
    const auto cutTo = [&](std::uintmax_t size) { return [=] { fs::resize_file(path, size); }; };
    const Bytes old = pattern(30);
    Bytes zeroTail = old;
    std::fill(zeroTail.begin() + 15, zeroTail.begin() + 20, 0);
    const struct {
        const char* change;
        Bytes atRead;
        std::function<void()> run;
        bool conflict;
    } rows[] = {
        {"none", old, [] {}, false},
        {"another record", old, put(0, {9, 9}), false},
        {"its bytes written again as they were", old,
         put(10, Bytes(old.begin() + 10, old.begin() + 20)), false},
        {"its last byte", old, put(19, {0}), true},
        {"the file cut inside it", old, cutTo(15), true},
        {"the file cut where its bytes were zero", zeroTail, cutTo(15), true},
        {"the file cut before it", old, cutTo(5), true},
        {"the file removed", old, [&] { fs::remove(path); }, true},
        {"none to a record past the end", pattern(5), [] {}, false},
        {"the file grown over it with zeros", pattern(5), put(25, {0}), false},
        {"a record past the end written", pattern(5), put(10, {1}), true},
        {"none to a partial record", pattern(15), [] {}, false},
        {"a partial record cut further", pattern(15), cutTo(12), true},
    };
    const Bytes record(10, 0xEE);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        writeBytes(path, row.atRead);
        RecordSnapshot snapshot = readRecordSnapshot(path, 2, 10);
        row.run();
        const bool exists = fs::exists(path);
        const Bytes changed = readBytes(path);
        Bytes saved = changed;
        saved.resize(std::max<std::size_t>(saved.size(), 20));
        std::copy(record.begin(), record.end(), saved.begin() + 10);
        const auto save = [&] {
            return errorKindOf([&] { writeRecord(path, 2, record, snapshot, {"r", "record", 1}); });
        };

        if (row.conflict) {
            EXPECT_EQ(save(), ErrorKind::RecordChanged);
            EXPECT_EQ(fs::exists(path), exists);
            EXPECT_EQ(readBytes(path), changed);
        }
        // A conflict's second Save overwrites the change; a Save after its own Save is no
        // conflict; a change in between is one again.
        EXPECT_EQ(save(), std::nullopt);
        EXPECT_EQ(readBytes(path), saved);
        EXPECT_EQ(save(), std::nullopt);
        put(19, {1})();
        EXPECT_EQ(save(), ErrorKind::RecordChanged);
    }
}

TEST_F(RecordFileTest, MissingFileIsCreatedEmptyByReadAndByWrite) {
    Bytes got(26, 0xAA);
    readRecord(file("a.mon"), 2, got);
    EXPECT_EQ(got, Bytes(26, 0));
    EXPECT_EQ(readBytes(file("a.mon")), Bytes{});
    writeRecord(file("b.mon"), 1, Bytes(26, 5));
    EXPECT_EQ(readBytes(file("b.mon")), Bytes(26, 5));
}

TEST_F(RecordFileTest, FullDiskAndDirectoryAreErrorsNeverSuccess) {
    writeBytes(file("full.mon"), pattern(4));
    fs::create_symlink("/dev/full", file("device.mon"));
    fs::create_directory(file("dir.mon"));
    Bytes record(26, 1);
    for (const std::int32_t n : {1, 3}) {
        SCOPED_TRACE(n);
        {
            const FileSizeLimit limit(10); // the disk fills up after 10 bytes
            EXPECT_EQ(errorKindOf([&] { writeRecord(file("full.mon"), n, record); }),
                      ErrorKind::DiskFull);
        }
        // What the failed write had added is taken back.
        EXPECT_EQ(readBytes(file("full.mon")), pattern(4));
        EXPECT_EQ(errorKindOf([&] { writeRecord(file("device.mon"), n, record); }),
                  ErrorKind::NotARegularFile);
        EXPECT_TRUE(errorKindOf([&] { readRecord(file("dir.mon"), n, record); }).has_value());
        EXPECT_TRUE(errorKindOf([&] { writeRecord(file("dir.mon"), n, record); }).has_value());
    }
}

TEST_F(RecordFileTest, ReadOnlyFileIsReadButNotWritten) {
    writeBytes(file("ro.tat"), pattern(86));
    fs::permissions(file("ro.tat"), fs::perms::owner_read | fs::perms::group_read);
    Bytes got(86);
    readRecord(file("ro.tat"), 1, got);
    EXPECT_EQ(got, pattern(86));
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes through file permissions";
    EXPECT_EQ(errorKindOf([&] { writeRecord(file("ro.tat"), 1, Bytes(86, 0)); }),
              ErrorKind::PermissionDenied);
    EXPECT_EQ(readBytes(file("ro.tat")), pattern(86));
}

} // namespace
} // namespace valmor::test
