// Stats and encounter tables: byte-exact round trips, and the rejection of bad rows with
// their line and column.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo_data.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/tables/import_error.h"
#include "game/tables/record_tables.h"
#include "support/row_name.h"

namespace valmor::tables {
namespace {

constexpr TableFormat kFormats[] = {TableFormat::Csv, TableFormat::Json};

std::string demoFile(std::string_view name) {
    for (const auto& file : demo::buildDemoFiles()) {
        if (file.name == name)
            return {file.bytes.begin(), file.bytes.end()};
    }
    return {};
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string importStats(const std::string& table,
                        std::optional<TableFormat> format = TableFormat::Csv) {
    Progress none;
    std::istringstream in(table);
    return statsFromTable(in, format, "t", none);
}

std::string importEncounters(const std::string& table,
                             std::optional<TableFormat> format = TableFormat::Csv) {
    Progress none;
    std::istringstream in(table);
    return encountersFromTable(in, format, "t", none);
}

std::string statsRoundTrip(const std::string& bytes, TableFormat format) {
    Progress none;
    return importStats(statsToTable(bytes, format, none), format);
}

std::string encountersRoundTrip(const std::string& bytes, TableFormat format) {
    Progress none;
    return importEncounters(encountersToTable(bytes, format, none), format);
}

// Every problem of a rejected table, one "line:column: message" per line.
template <typename Import> std::string problemsOf(Import&& import) {
    try {
        import();
    } catch (const ImportError& error) {
        std::string text;
        for (const TableProblem& problem : error.problems())
            text += std::to_string(problem.at.line) + ':' + std::to_string(problem.at.column) +
                    ": " + problem.message + '\n';
        return text;
    }
    return "accepted\n";
}

std::string joined(const std::vector<std::string>& cells) {
    std::string line;
    for (const std::string& cell : cells) {
        SCOPED_TRACE(rowName(cells, cell));
        line += (line.empty() ? "" : ",") + cell;
    }
    return line + '\n';
}

std::vector<std::string> statsNames() {
    std::vector<std::string> names;
    for (const MonsterField& field : kMonsterLayout) {
        SCOPED_TRACE(rowName(kMonsterLayout, field));
        names.emplace_back(field.name);
    }
    return names;
}

// The cells of a stats row holding "Orc" in every text and 10 in every number, unless
// `changes` says otherwise. As a CSV row: name at column 1, hp at 7, hp2 at 10, gold at 13.
std::vector<std::string> statsCells(const std::map<std::string_view, std::string>& changes = {}) {
    std::vector<std::string> cells;
    for (const MonsterField& field : kMonsterLayout) {
        SCOPED_TRACE(rowName(kMonsterLayout, field));
        const auto change = changes.find(field.name);
        cells.push_back(change != changes.end()         ? change->second
                        : field.kind == FieldKind::Text ? "\"Orc\""
                                                        : "10");
    }
    return cells;
}

std::string statsHeader() {
    return joined(statsNames());
}

std::string statsRow(const std::map<std::string_view, std::string>& changes = {}) {
    return joined(statsCells(changes));
}

TEST(RecordTablesTest, ExportThenImportGivesIdenticalBytes) {
    const std::string stats[] = {demoFile(kMonsterFileName), randomBytes(86 * 40, 1), ""};
    const std::string encounters[] = {demoFile(kEncounterFileName), randomBytes(26 * 300, 2)};
    for (const TableFormat format : kFormats) {
        for (const std::string& bytes : stats) {
            SCOPED_TRACE(rowName(stats, bytes));
            EXPECT_EQ(statsRoundTrip(bytes, format), bytes);
        }
        for (const std::string& bytes : encounters) {
            SCOPED_TRACE(rowName(encounters, bytes));
            EXPECT_EQ(encountersRoundTrip(bytes, format), bytes);
        }
    }
}

TEST(RecordTablesTest, PartialLastRecordReadsZeroFilled) {
    const std::string bytes = randomBytes(86 + 10, 3);
    for (const TableFormat format : kFormats) {
        const std::string back = statsRoundTrip(bytes, format);
        ASSERT_EQ(back.size(), 172u);
        EXPECT_EQ(back.substr(0, 96), bytes);
        EXPECT_EQ(back.substr(96), std::string(76, '\0'));
    }
}

TEST(RecordTablesTest, ExportsFieldsUnderTheirNames) {
    Progress none;
    std::string record(86, '\0');
    record.replace(0, 10, "Ogre \xE9    ");
    record[10] = '\x2C', record[11] = '\x01'; // hp 300
    const std::string csv = statsToTable(record, TableFormat::Csv, none);
    EXPECT_EQ(csv.substr(0, 12), "name,hp,hp2,");
    EXPECT_EQ(csv.substr(csv.find("\r\n") + 2, 22), "\"Ogre \xC3\xA9    \",300,0,0,");
    const std::string json = statsToTable(record, TableFormat::Json, none);
    EXPECT_EQ(json.substr(0, 40), "[\n  {\"name\": \"Ogre \xC3\xA9    \", \"hp\": 300, \"");
    EXPECT_EQ(statsToTable("", TableFormat::Json, none), "[]\n");
    const std::string maps = encountersToTable(std::string(52, '\0'), TableFormat::Csv, none);
    EXPECT_EQ(maps.substr(maps.find("\r\n") + 2, 4), "1,0,");
    EXPECT_EQ(maps.substr(maps.rfind("\r\n", maps.size() - 3) + 2, 4), "2,0,");
}

TEST(RecordTablesTest, ImportAcceptsAnyColumnOrderAndPadsShortTexts) {
    std::vector<std::string> names = statsNames();
    std::vector<std::string> cells = statsCells({{"hp", "-32768"}, {"canURun", "32767"}});
    const std::string bytes = importStats(joined(names) + joined(cells));
    std::reverse(names.begin(), names.end());
    std::reverse(cells.begin(), cells.end());
    EXPECT_EQ(importStats(joined(names) + joined(cells)), bytes);
    ASSERT_EQ(bytes.size(), 86u);
    EXPECT_EQ(bytes.substr(0, 10), "Orc       ");
    EXPECT_EQ(bytes.substr(10, 2), std::string("\x00\x80", 2));
    EXPECT_EQ(bytes.substr(84, 2), "\xFF\x7F");
}

TEST(RecordTablesTest, RejectsBadCsvRowsWithLineAndColumn) {
    const std::pair<std::map<std::string_view, std::string>, const char*> cases[] = {
        {{{"hp", "32768"}}, "3:7: hp: 32768 is outside -32768 to 32767\n"},
        {{{"hp", "-32769"}}, "3:7: hp: -32769 is outside -32768 to 32767\n"},
        {{{"gold", "99999999999999999999"}}, "3:13: gold: 99999999999999999999 is outside"},
        {{{"gold", "1.5"}}, "3:13: gold: \"1.5\" is not a whole number\n"},
        {{{"gold", ""}}, "3:13: gold: \"\" is not a whole number\n"},
        {{{"gold", "+3"}}, "3:13: gold: \"+3\" is not a whole number\n"},
        {{{"gold", " 3"}}, "3:13: gold: \" 3\" is not a whole number\n"},
        {{{"name", "\"Eleven char\""}},
         "3:1: name: \"Eleven char\" has 11 characters; at most 10 fit\n"},
        {{{"name", "\"\xCE\xA9rc\""}},
         "3:1: name: \"\xCE\xA9rc\" holds the character \xCE\xA9 (U+03A9)"},
        {{{"name", "\"x\""}, {"hp", "x"}, {"gold", "x"}},
         "3:5: hp: \"x\" is not a whole number\n3:10: gold: \"x\" is not a whole number\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [changes, expected] = row;
        const std::string problems =
            problemsOf([&] { importStats(statsHeader() + statsRow() + statsRow(changes)); });
        EXPECT_EQ(problems.substr(0, std::string(expected).size()), expected);
    }
}

TEST(RecordTablesTest, RejectsBadHeadersAndRowShapes) {
    std::string unknown = statsHeader();
    unknown.replace(unknown.find(",hp,"), 4, ",hpp,");
    std::string twice = statsHeader();
    twice.replace(twice.find(",hp2,"), 5, ",hp,");
    const std::string row = statsRow();
    const std::string longer = row.substr(0, row.size() - 1) + ",5\n";
    const std::pair<std::string, std::string> cases[] = {
        {unknown + row, "1:1: no column \"hp\"\n1:6: unknown column \"hpp\"\n"},
        {twice + row, "1:1: no column \"hp2\"\n1:9: column \"hp\" appears more than once\n"},
        {statsHeader() + longer,
         "2:" + std::to_string(row.size() + 1) + ": this row has 30 fields; the header has 29\n"},
        {statsHeader() + "\"Orc\",1\n", "2:1: this row has 2 fields; the header has 29\n"},
        {"", "1:1: empty table: the first line names the columns\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [table, expected] = row;
        EXPECT_EQ(problemsOf([&] { importStats(table); }), expected) << table;
    }
}

TEST(RecordTablesTest, RejectsBadJsonValuesWhereTheyStand) {
    Progress none;
    std::string record(86, '\0');
    record.replace(0, 10, "Orc       ");
    const std::string json = statsToTable(record, TableFormat::Json, none);
    const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
        {{"\"hp\": 0", "\"hp\": \"0\""}, "2:32: hp: expected a number, not the string \"0\"\n"},
        {{"\"hp\": 0", "\"hp\": true"}, "2:32: hp: expected a number, not true\n"},
        {{"\"hp\": 0", "\"hp\": [0]"}, "2:32: hp: expected a number, not an array\n"},
        {{"\"hp\": 0", "\"hp\": 1e3"}, "2:32: hp: \"1e3\" is not a whole number\n"},
        {{"\"hp\": 0", "\"hpp\": 0"}, "2:3: no field \"hp\"\n2:26: unknown field \"hpp\"\n"},
        {{"\"name\": \"Orc       \"", "\"name\": 5"}, "2:12: name: expected a string, not 5\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [edit, expected] = row;
        std::string table = json;
        table.replace(table.find(edit.first), std::string(edit.first).size(), edit.second);
        EXPECT_EQ(problemsOf([&] { importStats(table, TableFormat::Json); }), expected)
            << edit.second;
    }
}

TEST(RecordTablesTest, EncounterRowsGoToTheirMaps) {
    const std::string header = "map,monIndex0,monIndex1,monIndex2,monIndex3,monIndex4,monFreq0,"
                               "monFreq1,monFreq2,monFreq3,monFreq4,nomNum0,nomNum1,nomNum2\n";
    const std::string zeros = ",0,0,0,0,0,0,0,0,0,0,0,0\n";
    const std::string bytes = importEncounters(header + "2,7" + zeros + "1,5" + zeros);
    ASSERT_EQ(bytes.size(), 52u);
    EXPECT_EQ(bytes[0], 5);
    EXPECT_EQ(bytes[26], 7);
    const std::pair<std::string, const char*> cases[] = {
        {"1,0" + zeros + "1,0" + zeros, "3:1: map: map 1 appears twice (first on line 2)\n"},
        {"1,0" + zeros + "3,0" + zeros,
         "3:1: map 2 is missing; every map from 1 to 3 needs a row\n"},
        {"0,0" + zeros, "2:1: map: 0 is outside 1 to 32767\n"},
        {"1,40000" + zeros, "2:3: monIndex0: 40000 is outside -32768 to 32767\n"},
        // A short row still counts: map 2 of two is no problem.
        {"1,0,0\n2,0" + zeros, "2:1: this row has 3 fields; the header has 14\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [rows, expected] = row;
        EXPECT_EQ(problemsOf([&] { importEncounters(header + rows); }), expected) << rows;
    }
}

TEST(RecordTablesTest, LongListsOfProblemsAreCutShort) {
    std::string table = statsHeader();
    for (int i = 0; i < 30; ++i)
        table += statsRow({{"hp", "x"}});
    try {
        importStats(table);
        FAIL() << "accepted";
    } catch (const ImportError& error) {
        EXPECT_EQ(error.problems().size(), 30u);
        EXPECT_NE(std::string(error.what()).find("t: 10 more problems not shown"),
                  std::string::npos);
    }
}

TEST(RecordTablesTest, GuessesTheFormatFromTheFirstCharacter) {
    EXPECT_EQ(importStats(" \n[]", std::nullopt), "");
    EXPECT_EQ(problemsOf([] { importStats("name,hp\n", std::nullopt); }).substr(0, 9), "1:1: no c");
    EXPECT_EQ(problemsOf([] { importStats("", std::nullopt); }),
              "1:1: empty table: the first line names the columns\n");
    EXPECT_EQ(tableFormatNamed("json"), TableFormat::Json);
    EXPECT_EQ(tableFormatNamed("JSON"), std::nullopt);
}

} // namespace
} // namespace valmor::tables
