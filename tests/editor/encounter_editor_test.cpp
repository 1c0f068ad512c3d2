// The encounter editor driven as a user would: running totals, the nested recomputation
// while a map is shown, the record read and written in place, and what Save reports.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

#include <QPushButton>
#include <QSignalSpy>

#include "editor_fixture.h"

namespace valmor::test {
namespace {

using Record = std::array<std::uint8_t, kEncounterRecordBytes>;

Bytes withRecord(Bytes bytes, int map, const Record& record) {
    const auto at = static_cast<std::size_t>(map - 1) * record.size();
    bytes.resize(std::max(bytes.size(), at + record.size()));
    std::copy(record.begin(), record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

// Bytes 01 00, 02 00, ... 0D 00: the thirteen fields hold 1 to 13 in file order.
Record oneToThirteen() {
    Record bytes{};
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
    // The 13 boxes in the record's field order.
    std::array<QLineEdit*, 13> fields() const {
        const MainWindowTestView& w = *view;
        return {w.txtMonIndex[0], w.txtMonIndex[1], w.txtMonIndex[2], w.txtMonIndex[3],
                w.txtMonIndex[4], w.txtMonFreq[0],  w.txtMonFreq[1],  w.txtMonFreq[2],
                w.txtMonFreq[3],  w.txtMonFreq[4],  w.txtNOMnum[0],   w.txtNOMnum[1],
                w.txtNOMnum[2]};
    }
    template <std::size_t N>
    static void typeAll(const std::array<QLineEdit*, N>& boxes, const QStringList& texts) {
        for (std::size_t i = 0; i < N; ++i)
            type(boxes[i], texts.at(static_cast<qsizetype>(i)));
    }
    void pickMap(int map) { pick(view->cboMapIndex, map - 1); }
    void save() { view->cmdSaveFreq->click(); }
    void useOneToThirteenForMap9() {
        writeBytes(file(kEncounterFileName), withRecord(encounterFile(), 9, oneToThirteen()));
    }
    const QStringList kOneToThirteen{"1", "2", "3",  "4",  "5",  "6", "7",
                                     "8", "9", "10", "11", "12", "13"};
};

TEST_F(EncounterEditorTest, TotalsFollowEveryTypedBox) {
    start();
    const Bytes before = encounterFile();
    const std::tuple<bool, QStringList, QString> cases[] = {
        {true, {"10", "20", "30", "40", "0"}, "100"},
        {false, {"50", "30", "20"}, "100"},
        {true, {"5", "abc", "7x", "", "1.5"}, "13.5"},
        {true, {"40000", "40000", "0", "0", "0"}, "80000"},
    };
    for (const auto& [frequencies, texts, total] : cases) {
        SCOPED_TRACE(texts.join('|').toStdString());
        if (frequencies)
            typeAll(view->txtMonFreq, texts);
        else
            typeAll(view->txtNOMnum, texts);
        EXPECT_EQ((frequencies ? view->txtTotalFreq : view->txtTotalMon)->text(), total);
    }
    // A total typed by hand stands until one of its boxes changes; the sum then passes
    // through the total's own text after every addition.
    type(view->txtTotalMon, "999");
    EXPECT_EQ(view->txtTotalMon->text(), "999");
    QSignalSpy spy(view->txtTotalMon, &QLineEdit::textChanged);
    view->txtNOMnum[2]->setText("-2.5");
    QStringList passes;
    for (const QList<QVariant>& signal : spy)
        passes.append(signal.at(0).toString());
    EXPECT_EQ(passes, QStringList({"0", "50", "80", "77.5"}));
    EXPECT_TRUE(errors.empty());
    // 40000 cannot be stored: the conversion fails before the missing map is noticed.
    save();
    EXPECT_EQ(errorKinds(), std::vector{ErrorKind::Overflow});
    EXPECT_EQ(encounterFile(), before);
}

TEST_F(EncounterEditorTest, SaveConvertsEveryBoxBeforeOpeningTheFile) {
    start();
    const Bytes before = encounterFile();
    pickMap(4);
    const QStringList typed{"2.5",   "3.5",      "abc", "",     "-1",  "12abc", "-2.5",
                            "32767", "-32768.5", " 7 ", "&HFF", "0.5", "1.5"};
    typeAll(fields(), typed);
    save();
    EXPECT_EQ(encounterFile(),
              withRecord(before, 4,
                         encodeEncounterRecord(
                             {{2, 4, 0, 0, -1}, {12, -2, 32767, -32768, 7}, {255, 0, 2}})));
    EXPECT_EQ(encounterFile()[3 * 26 + 8], 0xFF); // -1 is FF FF
    EXPECT_EQ(encounterFile()[3 * 26 + 9], 0xFF);
    EXPECT_EQ(textsOf(fields()), typed);
    EXPECT_TRUE(errors.empty());
    // One box out of the 16-bit range, the last one converted included: nothing written.
    const Bytes saved = encounterFile();
    for (const auto& [box, text] : {std::pair{view->txtNOMnum[2], "32767.5"},
                                    {view->txtMonIndex[4], "-32769"},
                                    {view->txtMonFreq[4], "1e300"}}) {
        SCOPED_TRACE(text);
        pickMap(4);
        type(box, text);
        errors.clear();
        save();
        EXPECT_EQ(errorKinds(), std::vector{ErrorKind::Overflow});
        EXPECT_EQ(encounterFile(), saved);
    }
}

TEST_F(EncounterEditorTest, PickRecomputesTotalsWhileLaterBoxesHoldThePreviousMap) {
    useOneToThirteenForMap9();
    start();
    pickMap(20); // monIndex 20 to 24, frequencies 20, numbers 50, 30, 20
    std::vector<QStringList> freqSeen, nomSeen;
    // Connected after the window's own handlers, so each runs right after one of them.
    for (QLineEdit* box : view->txtMonFreq)
        QObject::connect(box, &QLineEdit::textChanged, box, [&] {
            freqSeen.push_back(QStringList{view->txtTotalFreq->text()} +
                               textsOf(view->txtMonIndex) + textsOf(view->txtMonFreq));
        });
    for (QLineEdit* box : view->txtNOMnum)
        QObject::connect(box, &QLineEdit::textChanged, box, [&] {
            nomSeen.push_back(QStringList{view->txtTotalMon->text()} + textsOf(view->txtNOMnum));
        });
    pickMap(9);
    // Frequency box i is set after monIndex(i) and before monIndex(i + 1).
    const QStringList previous{"20", "21", "22", "23", "24", "20", "20", "20", "20", "20"};
    const QString freqTotals[] = {"86", "73", "61", "50", "40"};
    ASSERT_EQ(freqSeen.size(), 5u);
    for (qsizetype i = 0; i < 5; ++i)
        EXPECT_EQ(freqSeen[i], QStringList{freqTotals[i]} + kOneToThirteen.mid(0, i + 1) +
                                   previous.mid(i + 1, 4 - i) + kOneToThirteen.mid(5, i + 1) +
                                   previous.mid(6 + i))
            << i;
    const QStringList oldNom{"50", "30", "20"};
    const QString nomTotals[] = {"61", "43", "36"};
    ASSERT_EQ(nomSeen.size(), 3u);
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(nomSeen[i],
                  QStringList{nomTotals[i]} + kOneToThirteen.mid(10, i + 1) + oldNom.mid(i + 1))
            << i;
    // Bytes 01 00 .. 0D 00 land in monIndex(0..4), monFreq(0..4), nomNum(0..2).
    EXPECT_EQ(textsOf(fields()), kOneToThirteen);
    EXPECT_EQ(view->txtTotalFreq->text(), "40");
    EXPECT_EQ(view->txtTotalMon->text(), "36");
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, LastMapIsReadAndWrittenAtOffset6942) {
    Record last = oneToThirteen();
    last[1] = 0x01; // monIndex(0) = 257
    writeBytes(file(kEncounterFileName), withRecord(encounterFile(), kMapCount, last));
    start();
    const Bytes before = encounterFile();
    ASSERT_EQ(before.size(), 6968u);
    pickMap(kMapCount);
    EXPECT_EQ(view->txtMonIndex[0]->text(), "257");
    EXPECT_EQ(view->txtNOMnum[2]->text(), "13");
    type(view->txtMonFreq[4], "-2");
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
    EXPECT_EQ(textsOf(fields()), QStringList(13, "0"));
    typeAll(fields(), kOneToThirteen);
    save();
    EXPECT_EQ(encounterFile(), withRecord(Bytes(2 * 26, 0), 3, oneToThirteen()));
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, MapIsSavedOnlyWhileSelected) {
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"Save right after start-up", [] {}}, {"map 7 typed after picking 5", [this] {
                                                   pickMap(5);
                                                   type(view->txtMonFreq[0], "99");
                                                   type(view->cboMapIndex->lineEdit(), "7");
                                               }}};
    for (const auto& [name, before] : cases) {
        SCOPED_TRACE(name);
        start();
        const Bytes stored = encounterFile();
        before();
        save();
        EXPECT_EQ(errorKinds(), std::vector{ErrorKind::BadRecordNumber});
        EXPECT_EQ(encounterFile(), stored);
        errors.clear();
    }
    // Pick 5, edit, pick 7, pick 5 again: the edit is gone and nothing was written.
    const Bytes stored = encounterFile();
    pickMap(5);
    type(view->txtMonFreq[2], "77");
    pickMap(7);
    pickMap(5);
    EXPECT_EQ(textsOf(view->txtMonIndex), QStringList({"5", "6", "7", "8", "9"}));
    EXPECT_EQ(textsOf(view->txtMonFreq), QStringList(5, "20"));
    EXPECT_EQ(view->txtTotalFreq->text(), "100");
    EXPECT_EQ(encounterFile(), stored);
    EXPECT_TRUE(errors.empty());
}

TEST_F(EncounterEditorTest, OverflowingTotalEndsOnlyItsChangeHandler) {
    useOneToThirteenForMap9();
    start();
    pickMap(1);
    type(view->txtMonFreq[3], "1e308");
    type(view->txtMonFreq[4], "1e308");
    EXPECT_EQ(errorKinds(), std::vector{ErrorKind::Overflow});
    errors.clear();
    // Setting boxes 0 to 2 overflows against the two 1e308 still standing in boxes 3 and 4;
    // each report ends that one recomputation and the pick goes on.
    pickMap(9);
    EXPECT_EQ(errorKinds(), std::vector(3, ErrorKind::Overflow));
    EXPECT_EQ(textsOf(fields()), kOneToThirteen);
    EXPECT_EQ(view->txtTotalFreq->text(), "40");
    EXPECT_EQ(view->txtTotalMon->text(), "36");
    EXPECT_EQ(programEnds, 0);
}

TEST_F(EncounterEditorTest, SaveFaultIsReportedAndLosesNothing) {
    namespace fs = std::filesystem;
    const fs::path path = file(kEncounterFileName);
    const auto replaceBy = [&](auto make) {
        return [&, make] {
            fs::remove(path);
            make();
        };
    };
    std::optional<FileSizeLimit> limit;
    // Name, error, whether the file stays in place to be compared (a read-only one root
    // ignores), the fault.
    const std::tuple<const char*, ErrorKind, bool, std::function<void()>> cases[] = {
        {"read-only file", ErrorKind::PermissionDenied, true,
         [&] { fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove); }},
        // Map 6 lies past what may be written.
        {"full disk", ErrorKind::DiskFull, true, [&] { limit.emplace(100); }},
        {"device", ErrorKind::NotARegularFile, false,
         replaceBy([&] { fs::create_symlink("/dev/full", path); })},
        {"directory", ErrorKind::IsAFolder, false, replaceBy([&] { fs::create_directory(path); })},
    };
    for (const auto& [name, kind, readOnly, fault] : cases) {
        SCOPED_TRACE(name);
        if (readOnly && geteuid() == 0 && kind == ErrorKind::PermissionDenied)
            continue; // root writes to read-only files
        SetUp();
        start();
        const Bytes before = encounterFile();
        pickMap(6);
        type(view->txtMonFreq[1], "33");
        fault();
        save();
        limit.reset();
        EXPECT_EQ(errorKinds(), std::vector{kind});
        EXPECT_EQ(view->txtMonFreq[1]->text(), "33");
        EXPECT_EQ(programEnds, 0);
        if (readOnly) {
            EXPECT_EQ(encounterFile(), before);
        }
        // With the fault gone, the same window saves what the boxes still hold.
        fs::remove_all(path);
        writeBytes(path, before);
        errors.clear();
        save();
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(encounterFile()[5 * 26 + 12], 33);
    }
}

} // namespace
} // namespace valmor::test
