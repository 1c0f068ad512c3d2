// The profile table as the balance commands and the balance window read it: what each
// row becomes, and each row refused at the cell that is wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "balance/character_profiles.h"
#include "files/error.h"

namespace valmor::test {
namespace {

constexpr const char* kHeader = "name,level,strength,agility,item_damage,item_defense,hp\n";

TEST(CharacterProfilesTest, NamesRowsAndRefusesEachFaultWhereItIsRead) {
    const struct {
        const char* row;
        std::string rows;               // after the header
        std::vector<std::string> names; // when read
        std::string refused;            // else the error's subject
    } cases[] = {
        {"named and unnamed", "hero,1,2,3,4,5,6\n,3,0,0,1,1,9\n", {"hero", "L3"}, ""},
        {"a name of blanks is unnamed", "\"  \t \",2.5,0,0,1,1,9\n", {"L2.5"}, ""},
        {"inf", "a,inf,2,3,4,5,6\n", {}, "t.csv:2:3: level: \"inf\" is not a number"},
        {"nan", "a,1,2,3,4,5,nan\n", {}, "t.csv:2:13: hp: \"nan\" is not a number"},
        {"a field more than the header",
         "a,1,2,3,4,5,6,7\n",
         {},
         "t.csv:2:1: 8 fields where the header has 7"},
        {"a name twice",
         "hero,1,2,3,4,5,6\nelf,1,2,3,4,5,6\nhero,2,2,3,4,5,6\n",
         {},
         "t.csv:4:1: name \"hero\" is also the name on line 2; give each profile its own name"},
        {"a name is kept without the blanks at its ends", "\" Bob \t\",1,2,3,4,5,6\n", {"Bob"}, ""},
        {"a name twice, once with blanks after it",
         "Bob,1,2,3,4,5,6\n\"Bob  \",2,2,3,4,5,6\n",
         {},
         "t.csv:3:1: name \"Bob\" is also the name on line 2"},
        {"a name twice, once with blanks before it",
         "Bob,1,2,3,4,5,6\n Bob,2,2,3,4,5,6\n",
         {},
         "t.csv:3:1: name \"Bob\" is also the name on line 2"},
        {"names that differ in letter case",
         "Hero,1,2,3,4,5,6\nhero,2,2,3,4,5,6\n",
         {"Hero", "hero"},
         ""},
        {"two unnamed of one level",
         ",4,2,3,4,5,6\n,4,9,9,9,9,9\n",
         {},
         "t.csv:3:1: name \"L4\" is also the name on line 2"},
        {"a name an unnamed row takes",
         "L4,4,2,3,4,5,6\n  ,4,9,9,9,9,9\n",
         {},
         "t.csv:3:1: name \"L4\" is also the name on line 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        try {
            std::vector<std::string> names;
            for (const CharacterProfile& profile : profilesFromCsv(kHeader + c.rows, "t.csv"))
                names.push_back(profile.name);
            EXPECT_EQ(names, c.names);
            EXPECT_EQ(c.refused, "") << "was read";
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidPropertyValue);
            EXPECT_EQ(std::string(error.subject()).rfind(c.refused, 0), 0u) << error.subject();
            EXPECT_NE(c.refused, "") << error.subject();
        }
    }
}

} // namespace
} // namespace valmor::test
