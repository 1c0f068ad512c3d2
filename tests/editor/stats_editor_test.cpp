// Picking a monster shows its sprite and its record; Save converts every control and
// writes exactly that record back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "editor/pick_list.h"
#include "editor_fixture.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

class StatsEditorTest : public EditorTest {
protected:
    void putRecord(int spriteIndex, const MonsterRecord& record) {
        Bytes bytes = monstersFile();
        const auto encoded = encodeMonsterRecord(record);
        std::copy(encoded.begin(), encoded.end(), bytes.begin() + spriteIndex * 86);
        writeBytes(file(kMonsterFileName), bytes);
    }
    Bytes recordBytes(const Bytes& file, int spriteIndex) const {
        return Bytes(file.begin() + spriteIndex * 86, file.begin() + (spriteIndex + 1) * 86);
    }
    // Fills both target boxes, which Save cannot leave empty.
    void typeTargets() {
        type(view->txtS1target, "1");
        type(view->txtS2target, "2");
    }
};

TEST_F(StatsEditorTest, PickFillsEveryControlFromTheRecord) {
    MonsterRecord r = fixtureMonster(7);
    r.name = "Orc       ";
    r.hp = 300;
    r.gold = -1;
    r.item1 = -1;
    r.item2 = 5;
    r.special1 = "Fire Breath ";
    r.canURun = 1;
    r.mpower = -32768;
    putRecord(7, r);
    start();
    pick(view->cboMonsterList, 7);
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(view->txtName->text(), "Orc       ");
    EXPECT_EQ(view->txtSpecial1->text(), "Fire Breath ");
    EXPECT_EQ(view->txtSpecial2->text(), "            ");
    const std::pair<QLineEdit*, const char*> numbers[] = {
        {view->txtHP, "300"},        {view->txtGold, "-1"},    {view->txtLevel, "7"},
        {view->txtS1target, "1"},    {view->txtS2target, "2"}, {view->txtCanURun, "1"},
        {view->txtMpower, "-32768"}, {view->txtDef, "0"}};
    for (const auto& [box, text] : numbers)
        EXPECT_EQ(box->text(), text) << box->objectName().toStdString();
    EXPECT_EQ(view->cboItem1->currentIndex(), -1);
    EXPECT_EQ(view->cboItem2->currentIndex(), 5);
    EXPECT_EQ(view->cboItem2->currentText(), "Item 5");
}

TEST_F(StatsEditorTest, PickDrawsTheSpriteIntoPic1) {
    start();
    pick(view->cboMonsterList, 2);
    const QImage image = view->pic1->image();
    ASSERT_EQ(image.size(), QSize(96, 96));
    const QRgb background = view->pic1->palette().color(QPalette::Window).rgb();
    // Unit (x, y) lands on pixel (round(0.96 x), round(0.96 y)); units 20 and 30 alone
    // land on pixels 19 and 29.
    EXPECT_EQ(image.pixel(19, 29), fixtureColour(fixturePixel(2, 20, 30)));
    EXPECT_EQ(image.pixel(85, 95), fixtureColour(fixturePixel(2, 89, 99)));
    EXPECT_EQ(image.pixel(3, 3), background);   // transparent corner of the sprite
    EXPECT_EQ(image.pixel(90, 50), background); // right of the 90-unit-wide sprite
    // A second pick clears what the first drew.
    writeBytes(file(kSpriteFileName), Bytes(57 * kSpriteFrameBytes, 0));
    pick(view->cboMonsterList, 2);
    EXPECT_EQ(view->pic1->image().pixel(19, 29), background);
}

TEST_F(StatsEditorTest, SaveWritesOnlyTheRecordOfTheSelectedMonster) {
    start();
    pick(view->cboMonsterList, 7);
    const Bytes before = monstersFile();
    type(view->txtName, "Orc");
    type(view->txtHP, "2.5");
    type(view->txtGold, "12 gold pieces");
    type(view->txtExp, "3.5");
    type(view->txtDef, "-1");
    type(view->txtOffMax, "300");
    PickList::select(view->cboItem1, -1);
    view->cmdSave->click();
    ASSERT_TRUE(errors.empty());

    const Bytes after = monstersFile();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (i < 7 * 86 || i >= 8 * 86) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
    const Bytes expected = {'O',  'r', 'c', ' ', ' ', ' ', ' ', ' ', ' ', ' ', // name
                            2,    0,   2,   0,                                 // hp, hp2
                            12,   0,   4,   0,                                 // gold, exp
                            0xFF, 0xFF};                                       // item1
    EXPECT_EQ(Bytes(after.begin() + 7 * 86, after.begin() + 7 * 86 + 20), expected);
    const MonsterRecord saved =
        decodeMonsterRecord(std::span<const std::uint8_t, 86>(after.data() + 7 * 86, 86));
    EXPECT_EQ(saved.def, -1);
    EXPECT_EQ(saved.offMax, 300);
    // Save leaves the controls as typed.
    EXPECT_EQ(view->txtGold->text(), "12 gold pieces");
    EXPECT_EQ(view->txtName->text(), "Orc");
}

TEST_F(StatsEditorTest, ConversionErrorsAreReportedAndWriteNothing) {
    const struct {
        QLineEdit* Ui_MainWindow::*box;
        const char* text;
        ErrorKind error;
    } cases[] = {
        {&MainWindowTestView::txtS1target, "12abc", ErrorKind::TypeMismatch},
        {&MainWindowTestView::txtS2target, "", ErrorKind::TypeMismatch},
        {&MainWindowTestView::txtHP, "40000", ErrorKind::Overflow},
        {&MainWindowTestView::txtCanURun, "32767.5", ErrorKind::Overflow},
        {&MainWindowTestView::txtS1target, "40000", ErrorKind::Overflow},
        {&MainWindowTestView::txtGold, "1e400", ErrorKind::Overflow},
    };
    start();
    pick(view->cboMonsterList, 3);
    const Bytes before = monstersFile();
    for (const auto& c : cases) {
        SCOPED_TRACE(((*view).*c.box)->objectName().toStdString() + " = \"" + c.text + "\"");
        pick(view->cboMonsterList, 3);
        errors.clear();
        type((*view).*c.box, c.text);
        view->cmdSave->click();
        ASSERT_EQ(errors.size(), 1u) << c.text;
        EXPECT_EQ(errors[0].kind(), c.error) << c.text;
        EXPECT_EQ(monstersFile(), before) << c.text;
        EXPECT_EQ(((*view).*c.box)->text(), c.text);
    }
}

TEST_F(StatsEditorTest, PickFillsTheControlsInTheDesignsOrder) {
    MonsterRecord r = fixtureMonster(7);
    r.item2 = 5;
    putRecord(7, r);
    start();
    QStringList filled;
    const auto record = [&](QWidget* control) { filled.append(control->objectName()); };
    for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        if (!box->objectName().isEmpty())
            QObject::connect(box, &QLineEdit::textChanged, [=] { record(box); });
    }
    for (QComboBox* list : {view->cboItem1, view->cboItem2})
        QObject::connect(list, &QComboBox::currentIndexChanged, [=] { record(list); });
    pick(view->cboMonsterList, 7);
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(filled.join(' '),
              "txtName txtGold txtHP txtExp txtAgi txtLevel txtStr cboItem1 txtitem1Perc "
              "txtItem2Perc cboItem2 txtSpecial1 txtSpecial1perc txtSpecial2 txtSpecial2Perc "
              "txtS1target txtS2target txtDef txtSP1min txtSP1max txtSp2min txtSP2max "
              "txtOffMin txtOffMax txtS1PorM txtS2PorM txtMpower txtCanURun");
}

TEST_F(StatsEditorTest, AnItemListWithTypedTextSavesNoItem) {
    // Typing leaves the list without a selection, so Save stores -1 even for the text of
    // an entry, and even for the entry the list showed before.
    const struct {
        const char* row;
        QComboBox* Ui_MainWindow::*list;
        const char* typed;
        std::int16_t MonsterRecord::*item;
    } rows[] = {
        {"item1 typed as the entry it showed", &MainWindowTestView::cboItem1, "Item 3",
         &MonsterRecord::item1},
        {"item1 typed as another entry", &MainWindowTestView::cboItem1, "Item 9",
         &MonsterRecord::item1},
        {"item2 typed as an entry", &MainWindowTestView::cboItem2, "Item 5", &MonsterRecord::item2},
        {"item2 typed as no entry", &MainWindowTestView::cboItem2, "Sword", &MonsterRecord::item2},
    };
    MonsterRecord r = fixtureMonster(3);
    r.item2 = 5;
    putRecord(3, r);
    start();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        pick(view->cboMonsterList, 3);
        QComboBox* list = (*view).*row.list;
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), row.typed);
        ASSERT_EQ(list->currentText(), row.typed);
        view->cmdSave->click();
        ASSERT_TRUE(errors.empty());
        EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 3).*row.item, -1);
        putRecord(3, r);
    }
}

TEST_F(StatsEditorTest, TheFirstFailingControlInSaveOrderDecidesTheError) {
    const struct {
        const char* row;
        std::pair<QLineEdit * Ui_MainWindow::*, const char*> earlier, later;
        ErrorKind error;
    } rows[] = {
        {"hp overflows before s1Target is no number",
         {&MainWindowTestView::txtHP, "40000"},
         {&MainWindowTestView::txtS1target, "abc"},
         ErrorKind::Overflow},
        {"s2Target is empty before canURun overflows",
         {&MainWindowTestView::txtS2target, ""},
         {&MainWindowTestView::txtCanURun, "40000"},
         ErrorKind::TypeMismatch},
    };
    start();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        pick(view->cboMonsterList, 3);
        errors.clear();
        const Bytes before = monstersFile();
        type((*view).*row.earlier.first, row.earlier.second);
        type((*view).*row.later.first, row.later.second);
        view->cmdSave->click();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].kind(), row.error);
        EXPECT_EQ(monstersFile(), before);
    }
}

TEST_F(StatsEditorTest, SaveWithoutAPickedMonster) {
    start();
    const Bytes before = monstersFile();
    view->cmdSave->click();
    typeTargets();
    view->cmdSave->click();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].kind(), ErrorKind::TypeMismatch);
    EXPECT_EQ(errors[1].kind(), ErrorKind::BadRecordNumber);
    EXPECT_EQ(monstersFile(), before);
}

// A pick whose record cannot be read leaves the monster shown before picked, in the list
// too: a Save then writes that monster, never its values into the one that failed.
TEST_F(StatsEditorTest, AFailedPickLeavesThePreviousMonsterPickedForItsSave) {
    start();
    pick(view->cboMonsterList, 5);
    type(view->txtHP, "61");
    const MonsterRecord seventh = readMonsterRecord(file(kMonsterFileName), 7);
    std::filesystem::rename(file(kMonsterFileName), file("monsters.bak"));
    std::filesystem::create_directory(file(kMonsterFileName));
    pick(view->cboMonsterList, 7);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].kind(), ErrorKind::IsAFolder);
    std::filesystem::remove(file(kMonsterFileName));
    std::filesystem::rename(file("monsters.bak"), file(kMonsterFileName));
    EXPECT_EQ(view->cboMonsterList->currentIndex(), 5);
    view->cmdSave->click();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 5).hp, 61);
    EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 7), seventh);
}

TEST_F(StatsEditorTest, Hp2FollowsHpAndPartialRecordsReadAsZero) {
    MonsterRecord r = fixtureMonster(1);
    r.hp = 10;
    r.hp2 = 99;
    putRecord(1, r);
    // Monster 56's record is cut short: its missing bytes read as zero.
    Bytes bytes = monstersFile();
    bytes.resize(56 * 86 + 12);
    writeBytes(file(kMonsterFileName), bytes);
    start();
    pick(view->cboMonsterList, 1);
    view->cmdSave->click();
    EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 1).hp2, 10);
    pick(view->cboMonsterList, 56);
    EXPECT_EQ(view->txtGold->text(), "0");
    EXPECT_TRUE(errors.empty());
}

TEST_F(StatsEditorTest, AnItemTheListDoesNotHaveIsReportedAfterFillingEverything) {
    // Item positions of monster 4 and the one error of its pick: when both lists lack theirs,
    // the first list filled, item1's, is the one reported.
    const struct {
        std::int16_t item1, item2;
        const char* reported;
    } rows[] = {
        {150, 7, "item1 = 150"},
        {150, 200, "item1 = 150"},
        {3, -2, "item2 = -2"},
    };
    const auto shownAs = [](std::int16_t item) { return item >= -1 && item < 100 ? item : -1; };
    for (const auto& row : rows) {
        SCOPED_TRACE(rowName(rows, row));
        SetUp();
        errors.clear();
        MonsterRecord r = fixtureMonster(4);
        r.item1 = row.item1;
        r.item2 = row.item2;
        r.canURun = 1;
        putRecord(4, r);
        start();
        pick(view->cboMonsterList, 0); // the previous monster's values must all go
        pick(view->cboMonsterList, 4);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].kind(), ErrorKind::InvalidPropertyValue);
        EXPECT_EQ(errors[0].subject(), row.reported);
        EXPECT_EQ(view->cboItem1->currentIndex(), shownAs(row.item1));
        EXPECT_EQ(view->cboItem2->currentIndex(), shownAs(row.item2));
        EXPECT_EQ(view->txtCanURun->text(), "1");
        EXPECT_EQ(view->txtGold->text(), "104");
        // Saving stores what the controls show.
        view->cmdSave->click();
        EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 4).item1, shownAs(row.item1));
        EXPECT_EQ(readMonsterRecord(file(kMonsterFileName), 4).item2, shownAs(row.item2));
    }
}

TEST_F(StatsEditorTest, ASpriteTheFileNoLongerHoldsIsReportedAndTheRecordStillShows) {
    // The sprite file changes after start-up counted its 57 frames. The pick reports a
    // sprite it cannot draw whole, leaves the picture blank, still fills the boxes, and
    // creates nothing.
    const auto cutTo = [this](std::uintmax_t size) {
        return [=, this] { std::filesystem::resize_file(file(kSpriteFileName), size); };
    };
    const auto remove = [this] { std::filesystem::remove(file(kSpriteFileName)); };
    const auto badItem = [this] {
        MonsterRecord r = fixtureMonster(50);
        r.item1 = 150;
        putRecord(50, r);
    };
    const struct {
        const char* change;
        std::function<void()> run;
        int monster;
        std::optional<ErrorKind> kind; // none: drawn
        std::string subject;
    } rows[] = {
        {"cut to 10 frames", cutTo(10 * 9000), 50, ErrorKind::InputPastEndOfFile,
         "sprite 50 (monster.dat holds 10 whole frames: sprites 0 to 9)"},
        {"cut mid-frame", cutTo(50 * 9000 + 4500), 50, ErrorKind::InputPastEndOfFile,
         "sprite 50 (monster.dat holds 50 whole frames: sprites 0 to 49, then 4500 of sprite "
         "50's 9000 bytes)"},
        {"removed", remove, 3, ErrorKind::FileNotFound, "monster.dat (No such file or directory)"},
        {"cut, and an item the list lacks",
         [=] {
             cutTo(10 * 9000)();
             badItem();
         },
         50, ErrorKind::InputPastEndOfFile,
         "sprite 50 (monster.dat holds 10 whole frames: sprites 0 to 9); then error 380, "
         "Invalid property value: item1 = 150"},
        {"cut, a sprite it still holds", cutTo(10 * 9000), 9, std::nullopt, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        SetUp();
        errors.clear();
        start();
        pick(view->cboMonsterList, 2); // a picture to be cleared
        row.run();
        const bool spritesThere = std::filesystem::exists(file(kSpriteFileName));
        pick(view->cboMonsterList, row.monster);
        EXPECT_EQ(std::filesystem::exists(file(kSpriteFileName)), spritesThere);
        const QImage picture = view->pic1->image();
        const QRgb background = view->pic1->palette().color(QPalette::Window).rgb();
        if (!row.kind) {
            EXPECT_TRUE(errors.empty());
            EXPECT_EQ(picture.pixel(19, 29), fixtureColour(fixturePixel(row.monster, 20, 30)));
            continue;
        }
        ASSERT_EQ(errorKinds(), std::vector{*row.kind});
        EXPECT_EQ(errors[0].subject(), row.subject);
        for (const QPoint at : {QPoint(19, 29), QPoint(85, 95)})
            EXPECT_EQ(picture.pixel(at), background) << "drawn in part";
        EXPECT_EQ(view->txtGold->text(), QString::number(100 + row.monster));
        EXPECT_EQ(view->txtName->text(), QString("Mon%1").arg(row.monster).leftJustified(10));
    }
}

TEST_F(StatsEditorTest, StoredTextBytesGoBackUnchanged) {
    MonsterRecord r = fixtureMonster(2);
    r.name = std::string("A\0B\x01\x7F\xE9\xFF  Z", 10);
    r.special2 = std::string("\t\r\n end \x80\x9F  ", 12);
    putRecord(2, r);
    start();
    pick(view->cboMonsterList, 2);
    EXPECT_EQ(view->txtName->text(), QString::fromUtf8("A\u2400B\u2401\u2421\u00E9\u00FF  Z"));
    const Bytes before = monstersFile();
    view->cmdSave->click();
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(monstersFile(), before);
}

TEST_F(StatsEditorTest, TextBoxesRefuseWhatTheFileCannotHold) {
    start();
    for (QLineEdit* box : {view->txtName, view->txtSpecial1, view->txtSpecial2}) {
        box->clear();
        // QTest types ASCII only; send the key events of other characters by hand.
        for (const QChar c : QString::fromUtf8("Caf\u00E9\u20AC\u4E2D!")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
        EXPECT_EQ(box->text(), QString::fromUtf8("Caf\u00E9!")) << box->objectName().toStdString();
    }
}

TEST_F(StatsEditorTest, FileFaultsAreReportedAndLoseNothing) {
    start();
    pick(view->cboMonsterList, 5);
    typeTargets();
    type(view->txtHP, "77");
    const Bytes before = monstersFile();

    // A full disk: the record of monster 5 lies past what may be written.
    {
        const FileSizeLimit limit(100);
        view->cmdSave->click();
    }
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].kind(), ErrorKind::DiskFull);
    EXPECT_EQ(view->txtHP->text(), "77");
    EXPECT_EQ(monstersFile(), before);

    // A device in place of the file is refused, never written to.
    std::filesystem::rename(file(kMonsterFileName), file("monsters.bak"));
    std::filesystem::create_symlink("/dev/full", file(kMonsterFileName));
    view->cmdSave->click();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].kind(), ErrorKind::NotARegularFile);

    // A directory in place of the file.
    std::filesystem::remove(file(kMonsterFileName));
    std::filesystem::create_directory(file(kMonsterFileName));
    pick(view->cboMonsterList, 6);
    view->cmdSave->click();
    EXPECT_EQ(errors.size(), 4u);
    std::filesystem::remove(file(kMonsterFileName));
    std::filesystem::rename(file("monsters.bak"), file(kMonsterFileName));
    EXPECT_EQ(monstersFile(), before);

    // A read-only file can still be shown, but not saved.
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    std::filesystem::permissions(file(kMonsterFileName), std::filesystem::perms::owner_read);
    errors.clear();
    pick(view->cboMonsterList, 5);
    EXPECT_TRUE(errors.empty());
    view->cmdSave->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].kind(), ErrorKind::PermissionDenied);
    EXPECT_EQ(monstersFile(), before);
}

} // namespace
} // namespace valmor::test
