// CSV and JSON reading and writing, and the ISO-8859-1 texts they carry.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "game/tables/csv.h"
#include "game/tables/import_error.h"
#include "game/tables/json.h"
#include "game/tables/latin1.h"
#include "game/tables/row_writer.h"
#include "support/row_name.h"

namespace valmor::tables {
namespace {

// Chunk sizes that put chunk edges everywhere, and the size used for real input.
constexpr std::size_t kChunkSizes[] = {1, 2, 3, 7, TextStream::kChunkBytes};

// Every record of a text, read through chunks of `chunk` bytes.
std::vector<std::vector<Cell>> readCsv(std::string_view text,
                                       std::size_t chunk = TextStream::kChunkBytes) {
    std::istringstream in{std::string(text)};
    TextStream stream(in, "t.csv", chunk);
    CsvReader reader(stream);
    std::vector<std::vector<Cell>> records;
    std::vector<Cell> record;
    while (reader.next(record))
        records.push_back(record);
    return records;
}

std::vector<JsonObject> readJsonObjects(std::string_view text,
                                        std::size_t chunk = TextStream::kChunkBytes) {
    std::istringstream in{std::string(text)};
    TextStream stream(in, "t.json", chunk);
    JsonReader reader(stream);
    std::vector<JsonObject> objects;
    JsonObject object;
    while (reader.next(object))
        objects.push_back(object);
    return objects;
}

// "line:column text" for each cell, to compare with the expected cells in one line.
std::string describe(const std::vector<std::vector<Cell>>& records) {
    std::string text;
    for (const auto& record : records) {
        SCOPED_TRACE(rowName(records, record));
        for (const Cell& cell : record) {
            SCOPED_TRACE(rowName(record, cell));
            text += std::to_string(cell.at.line) + ':' + std::to_string(cell.at.column) + ' ' +
                    cell.text + '|';
        }
        text += '\n';
    }
    return text;
}

// The first problem of a rejected text, as "line:column: message".
template <typename Read> std::string firstProblem(Read&& read) {
    try {
        read();
    } catch (const ImportError& error) {
        const TableProblem& problem = error.problems().front();
        return std::to_string(problem.at.line) + ':' + std::to_string(problem.at.column) + ": " +
               problem.message;
    }
    return "accepted";
}

TEST(ImportErrorTest, IsTheDataErrorOfARejectedTableWithItsProblemsAsTheMessage) {
    struct Case {
        std::vector<TableProblem> problems;
        std::size_t total;
        const char* message;
    };
    const Case cases[] = {
        {{{{2, 1}, "name: too long"}}, 0, "t.csv:2:1: name: too long"},
        {{{{1, 4}, "a"}, {{3, 2}, "b"}}, 2, "t.csv:1:4: a\nt.csv:3:2: b"},
        {{{{1, 1}, "a"}}, 5, "t.csv:1:1: a\nt.csv: 4 more problems not shown"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        try {
            throw ImportError("t.csv", row.problems, row.total);
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::TableRejected);
            EXPECT_EQ(error.number(), 84);
            EXPECT_EQ(error.text(), "Table rejected");
            EXPECT_EQ(error.subject(), "t.csv");
            EXPECT_STREQ(error.what(), row.message);
        }
    }
}

TEST(RowWriterTest, WritesEachFormatAndLayoutAsTheExportsAndBalanceDo) {
    constexpr std::string_view kColumns[] = {"n", "name", "pct"};
    // Two rows: a number, a text with a quote, an empty number; the second row with a
    // list of one object under "pct" in JSON.
    const auto write = [&](TableFormat format, JsonLayout layout, int rows) {
        std::string out;
        RowWriter writer(out, format, kColumns, layout);
        for (int r = 0; r < rows; ++r) {
            writer.beginRow();
            writer.number("n", std::to_string(r + 1));
            writer.text("name", "a\"b ");
            if (r == 1 && format == TableFormat::Json) {
                writer.beginList("pct");
                writer.beginObject();
                writer.number("x", "2");
                writer.number("y", "");
                writer.endObject();
                writer.endList();
            } else {
                writer.number("pct", "");
            }
            writer.endRow();
        }
        writer.finish();
        return out;
    };
    struct Case {
        TableFormat format;
        JsonLayout layout;
        int rows;
        std::string expected;
    };
    const Case cases[] = {
        {TableFormat::Csv, JsonLayout::Spaced, 0, "n,name,pct\r\n"},
        {TableFormat::Csv, JsonLayout::Compact, 2,
         "n,name,pct\r\n1,\"a\"\"b \",\r\n2,\"a\"\"b \",\r\n"},
        {TableFormat::Json, JsonLayout::Spaced, 0, "[]\n"},
        {TableFormat::Json, JsonLayout::Compact, 0, "[\n]\n"},
        {TableFormat::Json, JsonLayout::Spaced, 1,
         "[\n  {\"n\": 1, \"name\": \"a\\\"b \", \"pct\": null}\n]\n"},
        {TableFormat::Json, JsonLayout::Compact, 2,
         "[\n{\"n\":1,\"name\":\"a\\\"b \",\"pct\":null},\n"
         "{\"n\":2,\"name\":\"a\\\"b \",\"pct\":[{\"x\":2,\"y\":null}]}\n]\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        EXPECT_EQ(write(row.format, row.layout, row.rows), row.expected);
    }
}

TEST(Latin1Test, EveryByteSurvivesUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 128u + 2 * 128u);
    EXPECT_EQ(latin1ToUtf8("\xE9"), "\xC3\xA9"); // é
    std::string problem;
    EXPECT_EQ(utf8ToLatin1(utf8, problem), all);
}

TEST(Latin1Test, RejectsWhatIsoLatin1CannotHold) {
    const std::pair<const char*, const char*> cases[] = {
        {"\xCE\xA9rc", "holds the character \xCE\xA9 (U+03A9), which ISO-8859-1 cannot store"},
        {"\xE2\x82\xAC", "(U+20AC)"},           // the euro sign is not in ISO-8859-1
        {"\xC3", "is not valid UTF-8"},         // cut short
        {"\xC0\x80", "is not valid UTF-8"},     // overlong NUL
        {"\xED\xA0\x80", "is not valid UTF-8"}, // a surrogate
        {"\xE9", "is not valid UTF-8"},         // ISO-8859-1 itself, not UTF-8
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [text, expected] = row;
        std::string problem;
        EXPECT_FALSE(utf8ToLatin1(text, problem)) << text;
        EXPECT_NE(problem.find(expected), std::string::npos) << problem;
    }
}

TEST(CsvTest, ReadsFieldsWithTheirPositions) {
    const std::pair<const char*, const char*> cases[] = {
        {"a,b\r\n1,2\r\n", "1:1 a|1:3 b|\n2:1 1|2:3 2|\n"},
        {"a,b\n1,2", "1:1 a|1:3 b|\n2:1 1|2:3 2|\n"},
        {"a\r1\r", "1:1 a|\n2:1 1|\n"},
        {"\xEF\xBB\xBF"
         "a,\"b,\"\"c\"\"\"\n",
         "1:1 a|1:3 b,\"c\"|\n"},
        {"\"x\r\ny\",z\n", "1:1 x\r\ny|2:4 z|\n"},
        {"a\n\n\nb\n", "1:1 a|\n4:1 b|\n"},
        {"\"\"\n", "1:1 |\n"},
        {"\xC3\xA9t\xC3\xA9,x\n", "1:1 \xC3\xA9t\xC3\xA9|1:5 x|\n"},
        {",\n", "1:1 |1:2 |\n"},
    };
    for (const std::size_t chunk : kChunkSizes) {
        SCOPED_TRACE("chunks of " + std::to_string(chunk) + " bytes");
        for (const auto& row4 : cases) {
            SCOPED_TRACE(rowName(cases, row4));
            const auto& [text, expected] = row4;
            EXPECT_EQ(describe(readCsv(text, chunk)), expected) << text;
        }
    }
}

TEST(CsvTest, RejectsBrokenQuoting) {
    const std::pair<const char*, const char*> cases[] = {
        {"a,b\n1,x\"y\n", "2:4: a quote inside an unquoted field"},
        {"a,b\n\"1\"2,3\n", "2:4: text after the closing quote"},
        {"a\n\"open\nstill\n", "2:1: this quoted field is never closed"},
    };
    for (const std::size_t chunk : kChunkSizes) {
        SCOPED_TRACE("chunks of " + std::to_string(chunk) + " bytes");
        for (const auto& row5 : cases) {
            SCOPED_TRACE(rowName(cases, row5));
            const auto& [text, expected] = row5;
            const std::string problem = firstProblem([&] { readCsv(text, chunk); });
            EXPECT_EQ(problem.substr(0, std::string(expected).size()), expected) << text;
        }
    }
}

TEST(CsvTest, WritesTextsQuotedAndRecordsWithCrlf) {
    std::string out;
    appendCsvText(out, "Orc \"Big\", the");
    out += ',';
    appendCsvNumber(out, "-5");
    endCsvRecord(out);
    EXPECT_EQ(out, "\"Orc \"\"Big\"\", the\",-5\r\n");
    EXPECT_EQ(readCsv(out).front().front().text, "Orc \"Big\", the");
}

TEST(JsonTest, ReadsObjectsWithKindsAndPositions) {
    const auto objects = readJsonObjects(
        "[\n {\"a\": -12, \"b\": \"x\\u00e9\\ud83d\\ude00\\n\",\n  \"c\": [1, {\"d\": null}], "
        "\"e\": true},\n {}\n]");
    ASSERT_EQ(objects.size(), 2u);
    const JsonObject& first = objects[0];
    EXPECT_EQ(first.at, (TextPosition{2, 2}));
    ASSERT_EQ(first.values.size(), 4u);
    EXPECT_EQ(first.keys[1].text, "b");
    EXPECT_EQ(first.values[0].kind, CellKind::Number);
    EXPECT_EQ(first.values[0].text, "-12");
    EXPECT_EQ(first.values[0].at, (TextPosition{2, 8}));
    EXPECT_EQ(first.values[1].kind, CellKind::String);
    EXPECT_EQ(first.values[1].text, "x\xC3\xA9\xF0\x9F\x98\x80\n");
    EXPECT_EQ(first.values[2].kind, CellKind::Other);
    EXPECT_EQ(first.values[2].at, (TextPosition{3, 8}));
    EXPECT_EQ(first.values[3].text, "true");
    EXPECT_TRUE(objects[1].keys.empty());
    EXPECT_TRUE(readJsonObjects(" [ ] ").empty());
}

TEST(JsonTest, RejectsMalformedTables) {
    const std::pair<std::string, const char*> cases[] = {
        {"{\"a\": 1}", "1:1: a JSON table is an array of objects"},
        {"[1]", "1:2: expected an object"},
        {"[{\"a\": 1},]", "1:11: expected an object"},
        {"[{\"a\" 1}]", "1:7: expected :"},
        {"[{\"a\": 1}] x", "1:12: text after the end of the table"},
        {"[{\"a\": \"x\ny\"}]", "1:10: a control character inside a string"},
        {"[{\"a\": \"\\ud800\"}]", "1:10: a lone UTF-16 surrogate"},
        {"[{\"a\": \"\\q\"}]", "1:10: unknown escape"},
        {"[{\"a\": 01}]", "1:9: expected , or }"},
        {"[{\"a\": -}]", "1:8: malformed number"},
        {"[{\"a\": \"open}]", "1:8: this string is never closed"},
        {"[{\"a\": nul}]", "1:11: expected l"},
        {"[{\"a\": " + std::string(100, '[') + "}]", "1:71: values nested too deeply"},
        {"[{1: 2}]", "1:3: expected a field name in double quotes"},
        {"[{\"a\": {1: 2}}]", "1:9: expected a field name in double quotes"},
        {"[{\"a\": {\"b\" 2}}]", "1:13: expected :"},
        {"[{\"a\": { \"b\" : 2 }, 3}]", "1:21: expected a field name in double quotes"},
    };
    for (const std::size_t chunk : kChunkSizes) {
        SCOPED_TRACE("chunks of " + std::to_string(chunk) + " bytes");
        for (const auto& row6 : cases) {
            SCOPED_TRACE(rowName(cases, row6));
            const auto& [text, expected] = row6;
            const std::string problem = firstProblem([&] { readJsonObjects(text, chunk); });
            EXPECT_EQ(problem.substr(0, std::string(expected).size()), expected) << text;
        }
    }
}

// Every escape a JSON string may hold, read back to the character it stands for.
TEST(JsonTest, ReadsEachEscape) {
    const struct {
        const char* name;
        const char* escape;
        std::string_view meant;
    } cases[] = {
        {"quote", "\\\"", "\""},
        {"backslash", "\\\\", "\\"},
        {"slash", "\\/", "/"},
        {"backspace", "\\b", "\b"},
        {"form feed", "\\f", "\f"},
        {"line feed", "\\n", "\n"},
        {"carriage return", "\\r", "\r"},
        {"tab", "\\t", "\t"},
        {"code point", "\\u0041", "A"},
        {"zero code point", "\\u0000", std::string_view("\0", 1)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string json = std::string("[{\"s\": \"<") + row.escape + ">\"}]";
        EXPECT_EQ(readJsonObjects(json)[0].values[0].text, "<" + std::string(row.meant) + ">");
    }
}

// The escapes a written string uses, byte for byte.
TEST(JsonTest, WritesEscapesAsExpected) {
    const struct {
        const char* name;
        std::string_view text;
        const char* written;
    } cases[] = {
        {"quote", "\"", "\"\\\"\""},
        {"backslash", "\\", "\"\\\\\""},
        {"line feed", "\n", "\"\\n\""},
        {"carriage return", "\r", "\"\\r\""},
        {"tab", "\t", "\"\\t\""},
        {"other control", "\x1B", "\"\\u001B\""},
        {"zero byte", std::string_view("\0", 1), "\"\\u0000\""},
        {"slash kept", "/", "\"/\""},
        {"delete kept", "\x7F", "\"\x7F\""},
        {"UTF-8 kept", "\xC3\xA9", "\"\xC3\xA9\""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        std::string out;
        appendJsonString(out, row.text);
        EXPECT_EQ(out, row.written);
    }
}

TEST(JsonTest, WrittenStringsReadBack) {
    std::string text;
    for (int b = 1; b < 128; ++b)
        text += static_cast<char>(b);
    text += "\xC3\xBF";
    std::string json = "[{\"s\": ";
    appendJsonString(json, text);
    json += "}]";
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_EQ(readJsonObjects(json)[0].values[0].text, text);
}

} // namespace
} // namespace valmor::tables
