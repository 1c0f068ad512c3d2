// The encounter editor driven as a user would: running totals, the nested recomputation
// while a map is shown, the record read and written in place, and what Save reports.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <QPushButton>

#include "editor_fixture.h"

namespace valmor::test {
namespace {

constexpr std::size_t kRecord = kEncounterRecordBytes;

// The record of `map` (1-based) in the bytes of an encounter file.
EncounterRecord recordOf(const Bytes& bytes, int map) {
    const auto at = static_cast<std::size_t>(map - 1) * kRecord;
    return decodeEncounterRecord(
        std::span<const std::uint8_t, kRecord>(bytes.data() + at, kRecord));
}

Bytes withRecord(Bytes bytes, int map, const std::array<std::uint8_t, kRecord>& record) {
    const auto at = static_cast<std::size_t>(map - 1) * kRecord;
    bytes.resize(std::max(bytes.size(), at + kRecord));
    std::copy(record.begin(), record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

// Bytes 01 00, 02 00, ... 0D 00: the thirteen fields hold 1 to 13 in file order.
std::array<std::uint8_t, kRecord> oneToThirteen() {
    std::array<std::uint8_t, kRecord> bytes{};
    for (std::size_t k = 0; k < 13; ++k)
        bytes[2 * k] = static_cast<std::uint8_t>(k + 1);
    return bytes;
}

template <std::size_t N> QStringList textsOf(const std::array<QLineEdit*, N>& boxes) {
    QStringList texts;
    for (const QLineEdit* box : boxes)
        texts.append(box->text());
    return texts;
}

class EncounterEditorTest : public EditorTest {
protected:
    template <std::size_t N>
    static void typeAll(const std::array<QLineEdit*, N>& boxes, const QStringList& texts) {
        for (std::size_t i = 0; i < N; ++i)
            type(boxes[i], texts.at(static_cast<qsizetype>(i)));
    }
    void pickMap(int map) { pick(window->cboMapIndex, map - 1); }
    void save() { window->cmdSaveFreq->click(); }
    std::vector<ErrorKind> errorKinds() const {
        std::vector<ErrorKind> kinds;
        for (const DataError& error : errors)
            kinds.push_back(error.kind());
        return kinds;
    }
};

TEST_F(EncounterEditorTest, TotalsFollowEveryTypedBox) {
    start();
    struct Case {
        bool frequencies;
        QStringList texts;
        QString total;
    };
    const Case cases[] = {
        {true, {"10", "20", "30", "40", "0"}, "100"},
        {false, {"50", "30", "20"}, "100"},
        {true, {"5", "abc", "7x", "", "1.5"}, "13.5"},
        {true, {"40000", "40000", "0", "0", "0"}, "80000"},
        {false, {"-1", "2.25", "&H10"}, "17.25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts.join('|').toStdString());
        if (c.frequencies)
            typeAll(window->txtMonFreq, c.texts);
        else
            typeAll(window->txtNOMnum, c.texts);
        EXPECT_EQ((c.frequencies ? window->txtTotalFreq : window->txtTotalMon)->text(), c.total);
    }
    // A total typed by hand stands until one of its boxes changes.
    type(window->txtTotalMon, "999");
    EXPECT_EQ(window->txtTotalMon->text(), "999");
    type(window->txtNOMnum[0], "3");
    EXPECT_EQ(window->txtTotalMon->text(), "21.25");
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, SaveOfAValueBeyond16BitsReportsOverflowAndWritesNothing) {
    start();
    const Bytes before = encounterFile();
    pickMap(2);
    typeAll(window->txtMonFreq, {"40000", "40000", "0", "0", "0"});
    EXPECT_EQ(window->txtTotalFreq->text(), "80000");
    save();
    EXPECT_EQ(errorKinds(), std::vector{ErrorKind::Overflow});
    EXPECT_EQ(encounterFile(), before);
    // One box out of range, the last one converted included, stops Save before the open.
    const std::pair<QLineEdit*, QString> cases[] = {
        {window->txtNOMnum[2], "32767.5"},
        {window->txtMonIndex[4], "-32769"},
        {window->txtMonFreq[4], "1e300"},
    };
    for (const auto& [box, text] : cases) {
        SCOPED_TRACE(text.toStdString());
        pickMap(2);
        type(box, text);
        errors.clear();
        save();
        EXPECT_EQ(errorKinds(), std::vector{ErrorKind::Overflow});
        EXPECT_EQ(encounterFile(), before);
        EXPECT_EQ(box->text(), text);
    }
}

TEST_F(EncounterEditorTest, PickRecomputesTotalsWhileLaterBoxesHoldThePreviousMap) {
    writeBytes(file(kEncounterFileName), withRecord(encounterFile(), 9, oneToThirteen()));
    start();
    pickMap(20); // monIndex 20 to 24, frequencies 20, numbers 50, 30, 20
    struct Seen {
        QString total;
        QStringList indexes, boxes;
    };
    std::vector<Seen> freqSeen, nomSeen;
    // Connected after the window's own handlers, so these run right after each of them.
    for (QLineEdit* box : window->txtMonFreq)
        QObject::connect(box, &QLineEdit::textChanged, box, [&] {
            freqSeen.push_back({window->txtTotalFreq->text(), textsOf(window->txtMonIndex),
                                textsOf(window->txtMonFreq)});
        });
    for (QLineEdit* box : window->txtNOMnum)
        QObject::connect(box, &QLineEdit::textChanged, box, [&] {
            nomSeen.push_back({window->txtTotalMon->text(), {}, textsOf(window->txtNOMnum)});
        });
    pickMap(9);

    const QStringList oldIndexes{"20", "21", "22", "23", "24"};
    const QStringList newIndexes{"1", "2", "3", "4", "5"};
    const QStringList newFreqs{"6", "7", "8", "9", "10"};
    const QString freqTotals[] = {"86", "73", "61", "50", "40"};
    ASSERT_EQ(freqSeen.size(), 5u);
    for (qsizetype i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(freqSeen[i].total, freqTotals[i]);
        EXPECT_EQ(freqSeen[i].indexes, newIndexes.mid(0, i + 1) + oldIndexes.mid(i + 1));
        EXPECT_EQ(freqSeen[i].boxes, newFreqs.mid(0, i + 1) + QStringList(4 - i, "20"));
    }
    const QString nomTotals[] = {"61", "43", "36"};
    const QStringList oldNoms{"50", "30", "20"}, newNoms{"11", "12", "13"};
    ASSERT_EQ(nomSeen.size(), 3u);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(nomSeen[i].total, nomTotals[i]);
        EXPECT_EQ(nomSeen[i].boxes, newNoms.mid(0, i + 1) + oldNoms.mid(i + 1));
    }
    // Bytes 01 00 .. 0D 00 land in monIndex(0..4), monFreq(0..4), nomNum(0..2).
    EXPECT_EQ(textsOf(window->txtMonIndex), newIndexes);
    EXPECT_EQ(textsOf(window->txtMonFreq), newFreqs);
    EXPECT_EQ(textsOf(window->txtNOMnum), newNoms);
    EXPECT_EQ(window->txtTotalFreq->text(), "40");
    EXPECT_EQ(window->txtTotalMon->text(), "36");
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, LastMapIsReadAndWrittenAtOffset6942) {
    std::array<std::uint8_t, kRecord> last = oneToThirteen();
    last[1] = 0x01; // monIndex(0) = 257
    writeBytes(file(kEncounterFileName), withRecord(encounterFile(), kMapCount, last));
    start();
    const Bytes before = encounterFile();
    ASSERT_EQ(before.size(), 6968u);
    pickMap(kMapCount);
    EXPECT_EQ(window->txtMonIndex[0]->text(), "257");
    EXPECT_EQ(window->txtNOMnum[2]->text(), "13");
    type(window->txtMonFreq[4], "-2");
    save();
    last[18] = 0xFE;
    last[19] = 0xFF;
    EXPECT_EQ(encounterFile(), withRecord(before, kMapCount, last));
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, MapThreeSavedIntoAMissingFileMakesIt78Bytes) {
    std::filesystem::remove(file(kEncounterFileName));
    start();
    pickMap(3);
    EXPECT_EQ(std::filesystem::file_size(file(kEncounterFileName)), 0u);
    EXPECT_EQ(textsOf(window->txtMonFreq), QStringList(5, "0"));
    EXPECT_EQ(window->txtTotalMon->text(), "0");
    typeAll(window->txtMonIndex, {"1", "2", "3", "4", "5"});
    typeAll(window->txtMonFreq, {"6", "7", "8", "9", "10"});
    typeAll(window->txtNOMnum, {"11", "12", "13"});
    save();
    EXPECT_EQ(encounterFile(), withRecord(Bytes(2 * kRecord, 0), 3, oneToThirteen()));
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, SaveStoresConvertedBoxesAndKeepsTheirTexts) {
    start();
    const Bytes before = encounterFile();
    pickMap(4);
    const QStringList indexes{"2.5", "3.5", "abc", "", "-1"};
    const QStringList freqs{"12abc", "-2.5", "32767", "-32768.5", " 7 "};
    const QStringList noms{"&HFF", "0.5", "1.5"};
    typeAll(window->txtMonIndex, indexes);
    typeAll(window->txtMonFreq, freqs);
    typeAll(window->txtNOMnum, noms);
    save();
    EncounterRecord expected;
    expected.monIndex = {2, 4, 0, 0, -1};
    expected.monFreq = {12, -2, 32767, -32768, 7};
    expected.nomNum = {255, 0, 2};
    EXPECT_EQ(encounterFile(), withRecord(before, 4, encodeEncounterRecord(expected)));
    EXPECT_EQ(encounterFile()[3 * kRecord + 8], 0xFF); // -1 is FF FF
    EXPECT_EQ(encounterFile()[3 * kRecord + 9], 0xFF);
    EXPECT_EQ(textsOf(window->txtMonIndex), indexes);
    EXPECT_EQ(textsOf(window->txtMonFreq), freqs);
    EXPECT_EQ(textsOf(window->txtNOMnum), noms);
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, SaveWithoutAPickedMapReportsBadRecordNumber) {
    struct Case {
        const char* name;
        std::function<void()> before;
    };
    const Case cases[] = {
        {"right after start-up", [] {}},
        {"map 7 typed after picking 5",
         [this] {
             pickMap(5);
             type(window->txtMonFreq[0], "99");
             type(window->cboMapIndex->lineEdit(), "7");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        const Bytes before = encounterFile();
        c.before();
        errors.clear();
        save();
        EXPECT_EQ(errorKinds(), std::vector{ErrorKind::BadRecordNumber});
        EXPECT_EQ(encounterFile(), before);
    }
}

TEST_F(EncounterEditorTest, UnsavedEditIsLostWhenAnotherMapIsPicked) {
    start();
    const Bytes before = encounterFile();
    pickMap(5);
    type(window->txtMonFreq[2], "77");
    pickMap(7);
    pickMap(5);
    EXPECT_EQ(window->txtMonFreq[2]->text(), "20");
    EXPECT_EQ(window->txtMonIndex[0]->text(), "5");
    EXPECT_EQ(window->txtTotalFreq->text(), "100");
    EXPECT_EQ(encounterFile(), before);
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, OverflowingTotalEndsOnlyItsChangeHandler) {
    writeBytes(file(kEncounterFileName), withRecord(encounterFile(), 9, oneToThirteen()));
    start();
    pickMap(1);
    type(window->txtMonFreq[3], "1e308");
    type(window->txtMonFreq[4], "1e308");
    EXPECT_EQ(errorKinds(), std::vector{ErrorKind::Overflow});
    errors.clear();
    // Setting boxes 0 to 2 overflows against the two 1e308 still standing in boxes 3 and 4;
    // each report ends that one recomputation and the pick goes on.
    pickMap(9);
    EXPECT_EQ(errorKinds(), std::vector(3, ErrorKind::Overflow));
    EXPECT_EQ(textsOf(window->txtMonIndex), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(textsOf(window->txtMonFreq), QStringList({"6", "7", "8", "9", "10"}));
    EXPECT_EQ(textsOf(window->txtNOMnum), QStringList({"11", "12", "13"}));
    EXPECT_EQ(window->txtTotalFreq->text(), "40");
    EXPECT_EQ(window->txtTotalMon->text(), "36");
    EXPECT_EQ(programEnds, 0);
}

TEST_F(EncounterEditorTest, SaveFaultIsReportedAndLosesNothing) {
    namespace fs = std::filesystem;
    const fs::path path = file(kEncounterFileName);
    struct Case {
        const char* name;
        ErrorKind kind;
        bool asRoot;   // root writes to read-only files
        bool readable; // the fault leaves a file that can be read back
        std::function<void()> fault;
    };
    const Case cases[] = {
        {"read-only file", ErrorKind::PermissionDenied, false, true,
         [&] { fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove); }},
        {"full disk", ErrorKind::DiskFull, true, false,
         [&] {
             fs::remove(path);
             fs::create_symlink("/dev/full", path);
         }},
        {"directory", ErrorKind::PermissionDenied, true, false,
         [&] {
             fs::remove(path);
             fs::create_directory(path);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.asRoot && geteuid() == 0)
            continue;
        SetUp();
        start();
        const Bytes before = encounterFile();
        pickMap(6);
        type(window->txtMonFreq[1], "33");
        c.fault();
        save();
        ASSERT_EQ(errorKinds(), std::vector{c.kind});
        EXPECT_FALSE(errors[0].subject().empty());
        EXPECT_EQ(window->txtMonFreq[1]->text(), "33");
        EXPECT_EQ(programEnds, 0);
        if (c.readable) {
            EXPECT_EQ(encounterFile(), before);
        }
        // With the fault gone, the same window saves what the boxes still hold.
        fs::remove_all(path);
        writeBytes(path, before);
        errors.clear();
        save();
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(recordOf(encounterFile(), 6).monFreq[1], 33);
    }
}

} // namespace
} // namespace valmor::test
