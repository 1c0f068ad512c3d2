// Another program changes a game file between the editor's pick and its Save: the Save
// writes nothing and names the record, and pressing Save again overwrites the change.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <QPushButton>

#include "editor_fixture.h"

namespace valmor::test {
namespace {

using SaveConflictTest = EditorTest;

TEST_F(SaveConflictTest, ASecondSaveOverwritesWhatAnotherProgramChanged) {
    const auto flipByte = [this](const char* name, std::size_t at) {
        return [=, this] {
            Bytes bytes = readBytes(file(name));
            bytes[at] ^= 1;
            writeBytes(file(name), bytes);
        };
    };
    const auto cutTo = [this](const char* name, std::uintmax_t size) {
        return [=, this] { std::filesystem::resize_file(file(name), size); };
    };
    const auto remove = [this](const char* name) {
        return [=, this] { std::filesystem::remove(file(name)); };
    };
    const std::string changed = " (changed by another program since it was read; pressing Save "
                                "again overwrites it)";
    const std::string cut = " (the file has been cut short since it was read; pressing Save "
                            "again writes it anyway";
    const std::string removed = " (the file has been removed since it was read; pressing Save "
                                "again creates it anew with this record";
    const std::string monster9 = R"(monster 9 "Og\xE9\x1B[2J" in monsters.tat)";
    const struct {
        const char* change; // between the pick of monster 9 or map 12 and its Save
        bool ofMonster;
        std::function<void()> run;
        std::string subject; // empty: no conflict
    } rows[] = {
        {"the monster's HP", true, flipByte(kMonsterFileName, 9 * 86 + 10), monster9 + changed},
        {"another monster", true, flipByte(kMonsterFileName, 8 * 86 + 10), ""},
        {"import-stats --truncate", true, cutTo(kMonsterFileName, 5 * 86),
         monster9 + cut + ", and monsters 5 to 8 before it as all zeros)"},
        {"cut in the monster's record", true, cutTo(kMonsterFileName, 9 * 86 + 40),
         monster9 + cut + ")"},
        {"cut mid-record before it", true, cutTo(kMonsterFileName, 7 * 86 + 40),
         monster9 + cut + ", and monster 8 before it as all zeros)"},
        {"the stats file removed", true, remove(kMonsterFileName),
         monster9 + removed + ", and monsters 0 to 8 before it as all zeros)"},
        {"the map", false, flipByte(kEncounterFileName, 11 * 26 + 12),
         "map 12 in encountr.mon" + changed},
        {"the file cut", false, cutTo(kEncounterFileName, 10 * 26),
         "map 12 in encountr.mon" + cut + ", and map 11 before it as all zeros)"},
        {"the encounter file removed", false, remove(kEncounterFileName),
         "map 12 in encountr.mon" + removed + ", and maps 1 to 11 before it as all zeros)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        SetUp();
        Bytes stats = monstersFile();
        std::copy_n("Og\xE9\x1B[2J   ", kNameWidth, stats.begin() + 9 * 86);
        writeBytes(file(kMonsterFileName), stats);
        start();
        QComboBox* list = row.ofMonster ? view->cboMonsterList : view->cboMapIndex;
        QLineEdit* box = row.ofMonster ? view->txtGold : view->txtMonFreq[0];
        QPushButton* save = row.ofMonster ? view->cmdSave : view->cmdSaveFreq;
        const auto path = file(row.ofMonster ? kMonsterFileName : kEncounterFileName);
        pick(list, row.ofMonster ? 9 : 11);
        type(box, "222");
        row.run();
        const bool existed = std::filesystem::exists(path);
        const Bytes before = readBytes(path);
        save->click();
        if (!row.subject.empty()) {
            ASSERT_EQ(errorKinds(), std::vector{ErrorKind::RecordChanged});
            EXPECT_EQ(errors[0].number(), 80);
            EXPECT_EQ(errors[0].subject(), row.subject);
            EXPECT_EQ(std::filesystem::exists(path), existed);
            EXPECT_EQ(readBytes(path), before);
            errors.clear();
            save->click();
            // The second Save wrote what its message said: the record, ending the file.
            const std::size_t recordBytes = row.ofMonster ? 86 : 26;
            const std::size_t record = row.ofMonster ? 9 : 11;
            EXPECT_EQ(std::filesystem::file_size(path),
                      std::max(before.size(), (record + 1) * recordBytes));
        }
        save->click(); // a Save after the editor's own Save is no conflict
        EXPECT_TRUE(errors.empty());
        // The file holds what the boxes show: picking the record again changes no box.
        const auto texts = [this] {
            QStringList all;
            for (const QLineEdit* control : window->findChildren<QLineEdit*>())
                all.append(control->text());
            return all;
        };
        const QStringList shown = texts();
        pick(list, row.ofMonster ? 9 : 11);
        EXPECT_EQ(texts(), shown);
        EXPECT_EQ(box->text(), "222");
    }
}

} // namespace
} // namespace valmor::test
