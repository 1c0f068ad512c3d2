// Change lists: reading one (and refusing a bad one at its line and column), the list
// between two sets of records, and writing one into the game files under their locks.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "files/record_file.h"
#include "game/change_list.h"
#include "game/tables/import_error.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

const std::string kHeader = "file,record,field,old,new\n";

std::size_t monsterField(std::string_view name) {
    return *numberFieldIndex(ChangedFile::Monsters, name);
}

std::size_t mapField(std::string_view name) {
    return *numberFieldIndex(ChangedFile::Encounters, name);
}

TEST(ChangeListCsvTest, RefusesABadListAtTheLineAndColumnOfItsFirstProblem) {
    struct Case {
        std::string text;
        std::int64_t line;
        std::int64_t column;
        std::string message; // a part of the problem's message
    };
    const Case cases[] = {
        {"", 1, 1, "no header"},
        {"file,record,field,old\n", 1, 1, "expected the header"},
        {"file,rec,field,old,new\n", 1, 6, "expected the header"},
        {"file,record,field,old,new,why\n", 1, 27, "expected the header"},
        {kHeader + "monsters.tat,1,hp,86\n", 2, 1, "4 fields where the header has 5"},
        {kHeader + "stats.csv,1,hp,86,71\n", 2, 1, "file: \"stats.csv\" is neither"},
        {kHeader + "monsters.tat,one,hp,86,71\n", 2, 14, "record: \"one\" is not a whole number"},
        {kHeader + "monsters.tat,-1,hp,86,71\n", 2, 14, "record: -1 is outside 0 to 32766"},
        {kHeader + "monsters.tat,32767,hp,86,71\n", 2, 14, "outside 0 to 32766 (monster"},
        {kHeader + "encountr.mon,0,monFreq2,16,12\n", 2, 14, "outside 1 to 32767 (map"},
        {kHeader + "encountr.mon,99999999999999999999,nomNum0,1,2\n", 2, 14,
         "record: 99999999999999999999 is outside 1 to 32767 (map numbers)"},
        {kHeader + "monsters.tat,1,hp,-99999999999999999999,2\n", 2, 19,
         "old: -99999999999999999999 is outside -32768 to 32767"},
        {kHeader + "monsters.tat,1,name,1,2\n", 2, 16, "field: name is a text"},
        {kHeader + "monsters.tat,1,monFreq2,1,2\n", 2, 16, "no field of monsters.tat"},
        {kHeader + "encountr.mon,1,hp,1,2\n", 2, 16, "no field of encountr.mon"},
        {kHeader + "monsters.tat,1,hp,+86,71\n", 2, 19, "old: \"+86\" is not a whole number"},
        {kHeader + "monsters.tat,1,hp,86, 71\n", 2, 22, "new: \" 71\" is not a whole number"},
        {kHeader + "monsters.tat,1,hp,86,\n", 2, 22, "new: \"\" is not a whole number"},
        {kHeader + "monsters.tat,1,hp,-32769,71\n", 2, 19, "old: -32769 is outside -32768"},
        {kHeader + "monsters.tat,1,hp,86,32768\n", 2, 22, "new: 32768 is outside"},
        {kHeader + "monsters.tat,1,hp,86,71\nmonsters.tat,2,hp,1,2\nMONSTERS.TAT,1,hp,86,72\n", 4,
         1, "monster 1 hp is also on line 2"},
        {kHeader + "encountr.mon,5,monFreq2,16,12\r\nencountr.mon,5,monFreq2,16,12\r\n", 3, 1,
         "map 5 monFreq2 is also on line 2"},
        {kHeader + "monsters.tat,1,hp,\"86,71\n", 2, 19, ""}, // an unclosed quote
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(rowName(cases, row) + ": " + row.text);
        try {
            changeListFromCsv(row.text, "list.csv");
            ADD_FAILURE() << "accepted";
        } catch (const tables::ImportError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::TableRejected);
            ASSERT_EQ(error.problems().size(), 1u);
            EXPECT_EQ(error.problems()[0].at.line, row.line);
            EXPECT_EQ(error.problems()[0].at.column, row.column);
            EXPECT_NE(error.problems()[0].message.find(row.message), std::string::npos)
                << error.what();
            EXPECT_TRUE(std::string(error.what()).starts_with("list.csv:")) << error.what();
        }
    }
}

TEST(ChangeListCsvTest, ReadsWhatTheTablesAndSpreadsheetsWrite) {
    const std::vector<RecordChange> twoChanges{
        {ChangedFile::Monsters, 12, monsterField("hp"), 86, 71},
        {ChangedFile::Encounters, 5, mapField("monFreq2"), 16, 12}};
    struct Case {
        std::string text;
        std::vector<RecordChange> changes;
    };
    const Case cases[] = {
        {kHeader, {}},
        {kHeader + "monsters.tat,12,hp,86,71\nencountr.mon,5,monFreq2,16,12\n", twoChanges},
        {"\xEF\xBB\xBF" + kHeader + "monsters.tat,12,hp,86,71\r\nencountr.mon,5,monFreq2,16,12",
         twoChanges},
        {kHeader +
             "\"Monsters.TAT\",\"12\",\"hp\",\"86\",\"71\"\n\nEncountr.mon,5,monFreq2,16,12\n",
         twoChanges},
        {kHeader + "monsters.tat,32766,canURun,-32768,32767\nencountr.mon,32767,nomNum2,0,0\n",
         {{ChangedFile::Monsters, 32766, monsterField("canURun"), -32768, 32767},
          {ChangedFile::Encounters, 32767, mapField("nomNum2"), 0, 0}}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        EXPECT_EQ(changeListFromCsv(row.text, "list.csv"), row.changes);
        // What the list writes reads back as the same changes.
        EXPECT_EQ(changeListFromCsv(changeListCsv(row.changes), "again.csv"), row.changes);
    }
    EXPECT_EQ(changeListCsv(twoChanges),
              kHeader + "monsters.tat,12,hp,86,71\nencountr.mon,5,monFreq2,16,12\n");
}

TEST(ChangeListCsvTest, RefusesAListLargerThanAnySoundOneBeforeReadingIt) {
    const std::string huge(64 * 1024 * 1024 + 1, '\n');
    try {
        changeListFromCsv(huge, "huge.csv");
        ADD_FAILURE() << "accepted";
    } catch (const tables::ImportError& error) {
        EXPECT_NE(std::string(error.what()).find("at most 64 MiB"), std::string::npos)
            << error.what();
    }
}

class ChangeRecordsTest : public ::testing::Test {
protected:
    ChangeRecordsTest() {
        monsters_.resize(3);
        monsters_[1].name = "Gob Shaman";
        monsters_[1].hp = 86;
        maps_.resize(6);
        maps_[4].monFreq[2] = 16;
    }

    std::vector<MonsterRecord> monsters_;
    std::vector<EncounterRecord> maps_;
};

TEST_F(ChangeRecordsTest, TheChangesBetweenTwoSetsOfRecordsTurnTheOneIntoTheOther) {
    std::vector<MonsterRecord> monsters = monsters_;
    std::vector<EncounterRecord> maps = maps_;
    monsters[1].hp = 71;
    monsters[0].canURun = -1;
    monsters[1].gold = 5;
    maps[4].monFreq[2] = 12;
    const std::vector<RecordChange> changes = changesBetween(monsters_, monsters, maps_, maps);
    const std::vector<RecordChange> expected{
        {ChangedFile::Monsters, 0, monsterField("canURun"), 0, -1},
        {ChangedFile::Monsters, 1, monsterField("hp"), 86, 71},
        {ChangedFile::Monsters, 1, monsterField("gold"), 0, 5},
        {ChangedFile::Encounters, 5, mapField("monFreq2"), 16, 12}};
    ASSERT_EQ(changes, expected);
    EXPECT_TRUE(std::ranges::is_sorted(changes, changeListOrder));
    EXPECT_TRUE(changesBetween(monsters, monsters, maps, maps).empty());

    std::vector<MonsterRecord> turned = monsters_;
    std::vector<EncounterRecord> turnedMaps = maps_;
    EXPECT_EQ(firstStaleChange(changes, turned, turnedMaps), nullptr);
    applyChanges(changes, turned, turnedMaps);
    EXPECT_EQ(turned, monsters);
    EXPECT_EQ(turnedMaps, maps);
    // Undone: the reversed list fits the new records and gives back the old ones.
    EXPECT_EQ(firstStaleChange(reversedChanges(changes), turned, turnedMaps), nullptr);
    applyChanges(reversedChanges(changes), turned, turnedMaps);
    EXPECT_EQ(turned, monsters_);
    EXPECT_EQ(turnedMaps, maps_);
}

// The demo files in dir_, and what they hold before a change.
class WriteChangesTest : public TempDirTest {
protected:
    void SetUp() override {
        demo::writeDemoData(dir_);
        monstersBefore_ = readBytes(file(kMonsterFileName));
        mapsBefore_ = readBytes(file(kEncounterFileName));
        hp_ = readMonsterRecord(file(kMonsterFileName).string(), 1).hp;
        freq_ = readEncounterRecord(file(kEncounterFileName).string(), 5).monFreq[2];
    }

    void write(const std::vector<RecordChange>& changes) {
        writeChanges(GameDirectory::open(dir_), changes);
    }

    // The kind and message of the error writing `changes` throws.
    std::pair<ErrorKind, std::string> failure(const std::vector<RecordChange>& changes) {
        try {
            write(changes);
        } catch (const DataError& error) {
            return {error.kind(), error.what()};
        }
        ADD_FAILURE() << "written";
        return {};
    }

    void expectUnchanged() {
        EXPECT_EQ(readBytes(file(kMonsterFileName)), monstersBefore_);
        EXPECT_EQ(readBytes(file(kEncounterFileName)), mapsBefore_);
    }

    RecordChange hpChange() const {
        return {ChangedFile::Monsters, 1, monsterField("hp"), hp_, static_cast<std::int16_t>(71)};
    }
    RecordChange freqChange() const {
        return {ChangedFile::Encounters, 5, mapField("monFreq2"), freq_,
                static_cast<std::int16_t>(freq_ + 3)};
    }

    Bytes monstersBefore_;
    Bytes mapsBefore_;
    std::int16_t hp_ = 0;
    std::int16_t freq_ = 0;
};

TEST_F(WriteChangesTest, WritesTheNewValuesAndNoOtherByte) {
    // A partial last record stays as it is.
    Bytes monsters = monstersBefore_;
    monsters.insert(monsters.end(), {1, 2, 3});
    writeBytes(file(kMonsterFileName), monsters);
    write({hpChange(), freqChange()});

    std::size_t at = kMonsterRecordBytes + kMonsterLayout[monsterField("hp")].offset;
    monsters[at] = 71;
    monsters[at + 1] = 0;
    EXPECT_EQ(readBytes(file(kMonsterFileName)), monsters);
    Bytes maps = mapsBefore_;
    at = 4 * kEncounterRecordBytes + kEncounterLayout[mapField("monFreq2")].offset;
    storeInt16(maps.data() + at, static_cast<std::int16_t>(freq_ + 3));
    EXPECT_EQ(readBytes(file(kEncounterFileName)), maps);

    // Undo: the reversed list puts the old bytes back.
    write(reversedChanges({hpChange(), freqChange()}));
    monsters = monstersBefore_;
    monsters.insert(monsters.end(), {1, 2, 3});
    EXPECT_EQ(readBytes(file(kMonsterFileName)), monsters);
    EXPECT_EQ(readBytes(file(kEncounterFileName)), mapsBefore_);
}

TEST_F(WriteChangesTest, AStaleOldValueWritesNothing) {
    const std::size_t monsterCount = monstersBefore_.size() / kMonsterRecordBytes;
    RecordChange staleHp = hpChange();
    staleHp.oldValue = static_cast<std::int16_t>(hp_ + 1);
    RecordChange staleFreq = freqChange();
    staleFreq.oldValue = static_cast<std::int16_t>(freq_ - 1);
    const RecordChange pastTheEnd{ChangedFile::Monsters, static_cast<int>(monsterCount),
                                  monsterField("hp"), 0, 1};
    struct Case {
        std::vector<RecordChange> changes;
        std::string message;
    };
    const Case cases[] = {
        {{staleHp, freqChange()},
         "monsters.tat: monster 1 (Blue Slime): hp is " + std::to_string(hp_) +
             ", the change list says " + std::to_string(hp_ + 1)},
        // The stale change is in the second file: the first is not written either.
        {{hpChange(), staleFreq},
         "encountr.mon: map 5: monFreq2 is " + std::to_string(freq_) + ", the change list says " +
             std::to_string(freq_ - 1)},
        {{hpChange(), pastTheEnd},
         "monster " + std::to_string(monsterCount) + ": the file holds no such record"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto [kind, message] = failure(row.changes);
        EXPECT_EQ(kind, ErrorKind::RecordChanged);
        EXPECT_NE(message.find(row.message), std::string::npos) << message;
        EXPECT_TRUE(message.ends_with("; nothing was written")) << message;
        expectUnchanged();
    }
}

TEST_F(WriteChangesTest, ARecordOnlyPartlyInTheFileIsStale) {
    Bytes monsters = monstersBefore_;
    monsters.resize(monsters.size() + 20, 0);
    writeBytes(file(kMonsterFileName), monsters);
    const RecordChange partial{ChangedFile::Monsters,
                               static_cast<int>(monstersBefore_.size() / kMonsterRecordBytes),
                               monsterField("hp"), 0, 1}; // hp lies within the 20 bytes
    EXPECT_EQ(failure({partial}).first, ErrorKind::RecordChanged);
    EXPECT_EQ(readBytes(file(kMonsterFileName)), monsters);
}

TEST_F(WriteChangesTest, AMissingFileIsNotCreated) {
    std::filesystem::remove(file(kEncounterFileName));
    const auto [kind, message] = failure({hpChange(), freqChange()});
    EXPECT_EQ(kind, ErrorKind::FileNotFound);
    // As a dialog shows it: what happened to the files, too.
    EXPECT_EQ(message, "File not found: encountr.mon (No such file or directory); nothing was "
                       "written");
    EXPECT_FALSE(std::filesystem::exists(file(kEncounterFileName)));
    EXPECT_EQ(readBytes(file(kMonsterFileName)), monstersBefore_);
    // A list of the stats alone does not need the encounter file.
    write({hpChange()});
    EXPECT_EQ(readMonsterRecord(file(kMonsterFileName).string(), 1).hp, 71);
}

TEST_F(WriteChangesTest, ASecondFileThatCannotBeWrittenPutsTheFirstBack) {
    ASSERT_LT(monstersBefore_.size(), 6000u);
    ASSERT_GT(mapsBefore_.size(), 6000u);
    std::pair<ErrorKind, std::string> result;
    {
        // The stats file fits below the limit, the encounter file does not.
        FileSizeLimit limit(6000);
        result = failure({hpChange(), freqChange()});
    }
    EXPECT_EQ(result.first, ErrorKind::DiskFull) << result.second;
    EXPECT_NE(result.second.find("encountr.mon"), std::string::npos) << result.second;
    EXPECT_NE(result.second.find("monsters.tat got its old bytes back; nothing was written"),
              std::string::npos)
        << result.second;
    expectUnchanged();
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".valmor-new")) << entry.path();
}

TEST_F(WriteChangesTest, TwoNamesOfOneFileAreRefusedAtOnce) {
    std::filesystem::remove(file(kEncounterFileName));
    std::filesystem::create_symlink(kMonsterFileName, file(kEncounterFileName));
    const RecordChange map{ChangedFile::Encounters, 1, mapField("nomNum0"),
                           loadInt16(monstersBefore_.data() + 20), 1};
    const auto started = std::chrono::steady_clock::now();
    const auto [kind, message] = failure({hpChange(), map});
    // Not the wait of a writer for a lock it holds itself.
    EXPECT_LT(std::chrono::steady_clock::now() - started, kLockWait / 2);
    EXPECT_EQ(kind, ErrorKind::InvalidPropertyValue);
    EXPECT_NE(message.find("monsters.tat and encountr.mon are one file; nothing was written"),
              std::string::npos)
        << message;
    EXPECT_EQ(readBytes(file(kMonsterFileName)), monstersBefore_);
}

} // namespace
} // namespace valmor::test
