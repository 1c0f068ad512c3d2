// Reading tables within bounds: over-long lines, fields, keys, numbers and objects, too
// many records, and messages that point at the problem without echoing all of it. Large
// inputs come from a generating stream, never from a string of their size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "files/record_file.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/tables/import_error.h"
#include "game/tables/record_tables.h"
#include "game/tables/text_stream.h"

namespace valmor::tables {
namespace {

// A stream of `head`, then `body` `times` over, then `tail`, made a few KiB at a time.
class GeneratedText : public std::streambuf {
public:
    GeneratedText(std::string head, std::string body, std::uint64_t times, std::string tail)
        : head_(std::move(head)), body_(std::move(body)), tail_(std::move(tail)),
          bodyEnd_(head_.size() + body_.size() * times), size_(bodyEnd_ + tail_.size()) {}

protected:
    int_type underflow() override {
        if (next_ == size_)
            return traits_type::eof();
        const std::uint64_t count = std::min<std::uint64_t>(sizeof buffer_, size_ - next_);
        for (std::uint64_t i = 0; i < count; ++i)
            buffer_[i] = at(next_ + i);
        next_ += count;
        setg(buffer_, buffer_, buffer_ + count);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    char at(std::uint64_t p) const {
        if (p < head_.size())
            return head_[p];
        if (p < bodyEnd_)
            return body_[(p - head_.size()) % body_.size()];
        return tail_[p - bodyEnd_];
    }

    std::string head_, body_, tail_;
    std::uint64_t bodyEnd_, size_, next_ = 0;
    char buffer_[4096];
};

// A stream whose reading fails after `text`, as a disk or a network file system can.
class FailingText : public std::streambuf {
public:
    explicit FailingText(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override { throw std::runtime_error("input/output error"); }

private:
    std::string text_;
};

enum class Table { Stats, Encounters };

struct Outcome {
    std::string bytes;    // the file bytes, when the table imports
    std::string problems; // "line:column: message" per problem, when it is rejected
    std::size_t total = 0;
};

Outcome import(std::istream& in, Table table, std::optional<TableFormat> format) {
    Progress none;
    try {
        return {table == Table::Stats ? statsFromTable(in, format, "t", none)
                                      : encountersFromTable(in, format, "t", none),
                {},
                0};
    } catch (const ImportError& error) {
        Outcome outcome{{}, {}, error.total()};
        for (const TableProblem& problem : error.problems())
            outcome.problems += std::to_string(problem.at.line) + ':' +
                                std::to_string(problem.at.column) + ": " + problem.message + '\n';
        return outcome;
    }
}

Outcome import(const std::string& text, Table table = Table::Stats,
               std::optional<TableFormat> format = std::nullopt) {
    std::istringstream in(text);
    return import(in, table, format);
}

const std::string kStatsHeader =
    "name,hp,hp2,gold,exp,item1,item2,level,agility,strength,item1Perc,item2Perc,special1,"
    "special2,special1Perc,special2Perc,s1Target,s2Target,offMin,offMax,sp1Min,sp1Max,sp2Min,"
    "sp2Max,def,mpower,s1PorM,s2PorM,canURun\n";
const std::string kStatsRow = "\"Orc\",1,2,3,4,5,6,7,8,9,10,11,\"a\",\"b\",12,13,14,15,16,17,"
                              "18,19,20,21,22,23,24,25,26\n";
// kStatsRow as a JSON object.
std::string jsonStatsObject() {
    std::string object = "{";
    std::size_t name = 0;
    std::size_t value = 0;
    for (;;) {
        const std::size_t nameEnd = kStatsHeader.find_first_of(",\n", name);
        const std::size_t valueEnd = kStatsRow.find_first_of(",\n", value);
        object += '"' + kStatsHeader.substr(name, nameEnd - name) +
                  "\": " + kStatsRow.substr(value, valueEnd - value);
        if (kStatsHeader[nameEnd] == '\n')
            return object + '}';
        object += ", ";
        name = nameEnd + 1;
        value = valueEnd + 1;
    }
}

const std::string kEncounterHeader =
    "map,monIndex0,monIndex1,monIndex2,monIndex3,monIndex4,monFreq0,monFreq1,monFreq2,"
    "monFreq3,monFreq4,nomNum0,nomNum1,nomNum2\n";
const std::string kEncounterRest = ",1,2,3,4,5,6,7,8,9,10,11,12,13\n";

std::string encounterRow(int map) {
    return std::to_string(map) + kEncounterRest;
}

struct GeneratedCase {
    const char* name;
    std::string head, body;
    std::uint64_t times;
    std::string tail;
    std::string expected; // the problems, or the start of them
    std::size_t total = 1;
};

TEST(TableLimitsTest, OverLongInputIsRejectedWhereItStarts) {
    const std::uint64_t kOver = kMaxTokenBytes + 1;
    const GeneratedCase cases[] = {
        {"a 10 MB line of commas", "", ",", 10u << 20, "",
         "1:1: this line is longer than 64 KiB (65536 bytes), more than any row of a table "
         "needs\n"},
        {"an unquoted field", kStatsHeader, "7", kOver, "\n",
         "2:1: this field is longer than 64 KiB (65536 bytes)\n"},
        {"a quoted field", kStatsHeader + "\"", "x", kOver, "\"\n",
         "2:1: this field is longer than 64 KiB (65536 bytes)\n"},
        {"a row of short fields over many lines", kStatsHeader, "\"a\nb\",", 20000, "\n",
         "2:1: this row is longer than 64 KiB (65536 bytes), more than any row of a table "
         "needs\n"},
        {"a JSON key", "[{\"", "k", kOver, "\": 1}]",
         "1:3: this key is longer than 64 KiB (65536 bytes)\n"},
        {"a JSON string", "[{\"name\": \"", "x", kOver, "\"}]",
         "1:11: this string is longer than 64 KiB (65536 bytes)\n"},
        {"a JSON number", "[{\"hp\": ", "1", kOver, "}]",
         "1:9: this number is longer than 64 KiB (65536 bytes)\n"},
        {"a JSON object of many keys", "[\n {", "\"a\": [1, 2], ", 10000, "\"b\": 1}]",
         "2:2: this object is longer than 64 KiB (65536 bytes), more than any record of a "
         "table needs\n"},
        {"a JSON object of blanks", "[{", " ", kOver, "}]",
         "1:2: this object is longer than 64 KiB"},
        {"an earlier bad row is still listed", kStatsHeader + "\"Orc\",x" + kStatsRow.substr(7),
         ",", 10u << 20, "",
         "2:7: hp: \"x\" is not a whole number\n"
         "3:1: this line is longer than 64 KiB (65536 bytes), more than any row of a table "
         "needs\n",
         2},
    };
    for (const GeneratedCase& row : cases) {
        SCOPED_TRACE(row.name);
        GeneratedText text(row.head, row.body, row.times, row.tail);
        std::istream in(&text);
        const Outcome outcome = import(in, Table::Stats, std::nullopt);
        EXPECT_EQ(outcome.problems.substr(0, row.expected.size()), row.expected);
        EXPECT_EQ(outcome.total, row.total);
    }
}

TEST(TableLimitsTest, AFailedReadIsAProblemWhereTheInputBrokeOff) {
    std::string large = kStatsHeader;
    while (large.size() < 100000)
        large += kStatsRow;
    // The first 64 KiB chunk reads whole; the read of the second fails.
    const std::size_t rowsInChunk =
        (TextStream::kChunkBytes - kStatsHeader.size()) / kStatsRow.size();
    const struct {
        const char* name;
        std::string text;
        std::int64_t firstLine, lastLine;
    } cases[] = {
        {"nothing read", "", 1, 1},
        {"a row read", kStatsHeader + kStatsRow, 1, 3},
        {"a chunk read", large, 2 + static_cast<std::int64_t>(rowsInChunk),
         static_cast<std::int64_t>(large.size() / kStatsRow.size()) + 2},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        FailingText text(row.text);
        std::istream in(&text);
        try {
            Progress none;
            statsFromTable(in, TableFormat::Csv, "t", none);
            ADD_FAILURE() << "accepted";
        } catch (const ImportError& error) {
            const TableProblem& last = error.problems().back();
            EXPECT_EQ(last.message, "reading the input failed; the table was read up to here");
            EXPECT_GE(last.at.line, row.firstLine);
            EXPECT_LE(last.at.line, row.lastLine);
        }
    }
}

TEST(TableLimitsTest, TheRecordLimitStopsAtTheFirstRecordPastIt) {
    const std::string object = jsonStatsObject();
    const GeneratedCase cases[] = {
        {"CSV", kStatsHeader, kStatsRow, 200000, "",
         "32769:1: more than 32767 records; a file holds at most 32767\n"},
        {"JSON, an object a line", "[\n", object + ",\n", 200000, object + "]",
         "32769:1: more than 32767 records; a file holds at most 32767\n"},
        {"JSON on one line", "[", object + ",", 200000, object + "]",
         "1:" + std::to_string(2 + 32767 * (object.size() + 1)) +
             ": more than 32767 records; a file holds at most 32767\n"},
    };
    for (const GeneratedCase& row : cases) {
        SCOPED_TRACE(row.name);
        GeneratedText text(row.head, row.body, row.times, row.tail);
        std::istream in(&text);
        EXPECT_EQ(import(in, Table::Stats, std::nullopt).problems, row.expected);
    }
}

TEST(TableLimitsTest, TheMostRecordsAFileHoldsStillImport) {
    std::string stats = kStatsHeader;
    std::string encounters = kEncounterHeader;
    for (int i = 0; i < static_cast<int>(kMaxRecords); ++i) {
        stats += kStatsRow;
        encounters += encounterRow(static_cast<int>(kMaxRecords) - i); // the last map first
    }
    const Outcome statsOutcome = import(stats);
    EXPECT_EQ(statsOutcome.problems, "");
    EXPECT_EQ(statsOutcome.bytes.size(), kMaxRecords * kMonsterRecordBytes);
    const Outcome encounterOutcome = import(encounters, Table::Encounters);
    EXPECT_EQ(encounterOutcome.problems, "");
    EXPECT_EQ(encounterOutcome.bytes.size(), kMaxRecords * kEncounterRecordBytes);
}

TEST(TableLimitsTest, AByteOrderMarkIsSkippedBeforeTheFormatIsGuessed) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string csv = kStatsHeader + kStatsRow;
    const std::string json = "[\n  " + jsonStatsObject() + "\n]\n";
    const std::string expected = import(csv).bytes;
    ASSERT_EQ(expected.size(), kMonsterRecordBytes);
    ASSERT_EQ(import(json).bytes, expected);
    const struct {
        const char* name;
        std::string text;
        std::optional<TableFormat> format;
    } cases[] = {
        {"CSV, guessed", mark + csv, std::nullopt},
        {"CSV, named", mark + csv, TableFormat::Csv},
        {"JSON, guessed", mark + json, std::nullopt},
        {"JSON after blank lines, guessed", mark + "\n\n  " + json, std::nullopt},
        {"JSON, named", mark + json, TableFormat::Json},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const Outcome outcome = import(row.text, Table::Stats, row.format);
        EXPECT_EQ(outcome.problems, "");
        EXPECT_EQ(outcome.bytes, expected);
    }
}

TEST(TableLimitsTest, EachMissingMapIsNamed) {
    const struct {
        const char* name;
        std::string rows;
        std::string expected;
    } cases[] = {
        {"map 1 missing", encounterRow(2) + encounterRow(3),
         "3:1: map 1 is missing; every map from 1 to 3 needs a row\n"},
        {"maps in the middle", encounterRow(5) + encounterRow(1),
         "2:1: map 2 is missing; every map from 1 to 5 needs a row\n"
         "2:1: map 3 is missing; every map from 1 to 5 needs a row\n"
         "2:1: map 4 is missing; every map from 1 to 5 needs a row\n"},
        {"any order, none missing", encounterRow(3) + encounterRow(1) + encounterRow(2), ""},
        {"an unreadable map number hides the gaps",
         encounterRow(3) + "x" + kEncounterRest + encounterRow(2),
         "3:1: map: \"x\" is not a whole number\n"},
        {"a map above the limit", encounterRow(32768), "2:1: map: 32768 is outside 1 to 32767\n"},
        // Gaps are found last but listed in the order of the text, by line, then column.
        {"a gap before a later column", "3,40000" + kEncounterRest.substr(2) + encounterRow(1),
         "2:1: map 2 is missing; every map from 1 to 3 needs a row\n"
         "2:3: monIndex0: 40000 is outside -32768 to 32767\n"},
        {"a gap before a later line", encounterRow(3) + "1,40000" + kEncounterRest.substr(2),
         "2:1: map 2 is missing; every map from 1 to 3 needs a row\n"
         "3:3: monIndex0: 40000 is outside -32768 to 32767\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(import(kEncounterHeader + row.rows, Table::Encounters).problems, row.expected);
    }
}

TEST(TableLimitsTest, ManyMissingMapsAreCountedButFewKept) {
    try {
        Progress none;
        std::istringstream in(kEncounterHeader + encounterRow(32767));
        encountersFromTable(in, TableFormat::Csv, "t", none);
        FAIL() << "accepted";
    } catch (const ImportError& error) {
        EXPECT_EQ(error.total(), 32766u);
        EXPECT_EQ(error.problems().size(), ProblemList::kKept);
        EXPECT_NE(std::string(error.what()).find("t: 32746 more problems not shown"),
                  std::string::npos);
    }
}

TEST(TableLimitsTest, EchoedInputIsCutToSixtyCharacters) {
    const std::string sixtyX(60, 'x');
    std::string sixtyE;
    for (int i = 0; i < 60; ++i)
        sixtyE += "\xC3\xA9"; // é, two bytes each
    const struct {
        const char* name;
        std::string table;
        std::string expected;
    } cases[] = {
        {"an unknown column of 1000 characters", "name," + std::string(1000, 'x') + "\n",
         "1:6: unknown column \"" + sixtyX + "...\"\n"},
        {"an unknown JSON key of 60000 characters", "[{\"" + std::string(60000, 'x') + "\": 1}]",
         "1:3: unknown field \"" + sixtyX + "...\"\n"},
        {"a repeated column", "name," + std::string(61, 'x') + ",hp,hp\n",
         "1:6: unknown column \"" + sixtyX +
             "...\"\n1:71: column \"hp\" appears more than "
             "once\n"},
        {"a word for a number",
         kStatsHeader + "\"Orc\"," + std::string(500, 'x') + ",2" +
             kStatsRow.substr(kStatsRow.find(",2,") + 2),
         "2:7: hp: \"" + sixtyX + "...\" is not a whole number\n"},
        {"a number of 500 digits",
         kStatsHeader + "\"Orc\"," + std::string(500, '9') + ",2" +
             kStatsRow.substr(kStatsRow.find(",2,") + 2),
         "2:7: hp: " + std::string(60, '9') + "... is outside -32768 to 32767\n"},
        {"a long text, cut between characters",
         kStatsHeader + "\"" + sixtyE + "\xC3\xA9" + kStatsRow.substr(4),
         "2:1: name: \"" + sixtyE + "...\" has 61 characters; at most 10 fit\n"},
        {"control characters", kStatsHeader + "\"a\x1B[2Jbcdefghij\"" + kStatsRow.substr(5),
         "2:1: name: \"a\\x1B[2Jbcdefghij\" has 14 characters; at most 10 fit\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string problems = import(row.table).problems;
        EXPECT_NE(problems.find(row.expected), std::string::npos) << problems;
    }
}

} // namespace
} // namespace valmor::tables
