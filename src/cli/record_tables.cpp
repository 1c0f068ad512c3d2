#include "cli/record_tables.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <span>
#include <vector>

#include "cli/cli_error.h"
#include "cli/csv.h"
#include "cli/json.h"
#include "cli/latin1.h"
#include "data/conversions.h"
#include "data/encounter_record.h"
#include "data/monster_record.h"

namespace valmor::cli {

std::optional<TableFormat> tableFormatNamed(std::string_view name) {
    if (name == "csv")
        return TableFormat::Csv;
    if (name == "json")
        return TableFormat::Json;
    return std::nullopt;
}

TableFormat guessTableFormat(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '[' ? TableFormat::Json
                                                                 : TableFormat::Csv;
}

std::size_t recordCount(std::size_t fileBytes, std::size_t recordBytes) {
    return (fileBytes + recordBytes - 1) / recordBytes;
}

namespace {

// Record numbers are signed 16-bit in both record files.
constexpr std::size_t kMaxRecords = 32767;
constexpr std::string_view kMapColumn = "map";

template <typename Record, std::size_t N> struct TableShape {
    const std::array<RecordField<Record>, N>& layout;
    std::size_t recordBytes;
    bool mapColumn; // encounter tables lead with the map number
};

template <typename Record, std::size_t N>
std::vector<std::string_view> columnNames(const TableShape<Record, N>& shape) {
    std::vector<std::string_view> names;
    if (shape.mapColumn)
        names.push_back(kMapColumn);
    for (const auto& field : shape.layout)
        names.push_back(field.name);
    return names;
}

// ---- Writing ----

struct OutCell {
    std::string text; // a number's digits or a text's UTF-8
    bool isText;
};

// CSV: a header of the column names, then one record per row. JSON: an array with one
// object per row, each on a line of its own, so that a version-control diff shows which
// records changed.
class TableWriter {
public:
    TableWriter(TableFormat format, std::vector<std::string_view> names)
        : format_(format), names_(std::move(names)) {
        if (format_ == TableFormat::Csv) {
            for (std::size_t i = 0; i < names_.size(); ++i) {
                if (i > 0)
                    out_ += ',';
                out_ += names_[i];
            }
            endCsvRecord(out_);
        } else {
            out_ += '[';
        }
    }

    void row(const std::vector<OutCell>& cells) {
        if (format_ == TableFormat::Csv) {
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (i > 0)
                    out_ += ',';
                if (cells[i].isText)
                    appendCsvText(out_, cells[i].text);
                else
                    appendCsvNumber(out_, cells[i].text);
            }
            endCsvRecord(out_);
            return;
        }
        out_ += rows_ == 0 ? "\n  {" : ",\n  {";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                out_ += ", ";
            appendJsonString(out_, names_[i]);
            out_ += ": ";
            if (cells[i].isText)
                appendJsonString(out_, cells[i].text);
            else
                out_ += cells[i].text;
        }
        out_ += '}';
        ++rows_;
    }

    std::string finish() {
        if (format_ == TableFormat::Json)
            out_ += rows_ == 0 ? "]\n" : "\n]\n";
        return std::move(out_);
    }

private:
    TableFormat format_;
    std::vector<std::string_view> names_;
    std::string out_;
    std::size_t rows_ = 0;
};

template <typename Record, std::size_t N>
std::string toTable(const TableShape<Record, N>& shape, std::string_view bytes, TableFormat format,
                    Progress& progress) {
    const std::size_t count = recordCount(bytes.size(), shape.recordBytes);
    TableWriter writer(format, columnNames(shape));
    progress.start(static_cast<std::int64_t>(count));
    std::vector<std::uint8_t> recordBytes(shape.recordBytes);
    std::vector<OutCell> cells;
    for (std::size_t i = 0; i < count; ++i) {
        // A partial last record reads with its missing bytes as zero, as the editor reads it.
        const std::string_view stored = bytes.substr(i * shape.recordBytes, shape.recordBytes);
        std::fill(std::copy(stored.begin(), stored.end(), recordBytes.begin()), recordBytes.end(),
                  0);
        Record record =
            decodeRecord<Record>(shape.layout, std::span<const std::uint8_t>(recordBytes));
        cells.clear();
        if (shape.mapColumn)
            cells.push_back({std::to_string(i + 1), false});
        for (const auto& field : shape.layout) {
            if (field.kind == FieldKind::Int16)
                cells.push_back({FormatInt(*field.int16(record)), false});
            else
                cells.push_back({latin1ToUtf8(*field.text(record)), true});
        }
        writer.row(cells);
        progress.advance();
    }
    progress.finish();
    return writer.finish();
}

// ---- Reading ----

using Problems = std::vector<TableProblem>;

// A table row's cells in the order of the column names.
struct RowCells {
    TextPosition at;
    std::vector<const Cell*> cells;
};

// The parsed text and its rows; the rows point into the parsed text.
struct ParsedTable {
    std::vector<std::vector<Cell>> csv;
    std::vector<JsonObject> json;
    std::vector<RowCells> rows; // the rows whose columns are all there
    std::size_t records = 0;    // every row, those with missing columns included
};

// Where each expected name stands among the given ones. Unknown, repeated and missing
// names are problems; a missing one is reported at `missingAt`.
std::optional<std::vector<std::size_t>> matchNames(const std::vector<Cell>& given,
                                                   const std::vector<std::string_view>& expected,
                                                   TextPosition missingAt, std::string_view noun,
                                                   Problems& problems) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> where(expected.size(), kNone);
    const std::size_t before = problems.size();
    for (std::size_t i = 0; i < given.size(); ++i) {
        const std::string& name = given[i].text;
        const auto found = std::find(expected.begin(), expected.end(), name);
        if (found == expected.end()) {
            problems.push_back({given[i].at, "unknown " + std::string(noun) + " \"" + name + "\""});
        } else if (where[static_cast<std::size_t>(found - expected.begin())] != kNone) {
            problems.push_back(
                {given[i].at, std::string(noun) + " \"" + name + "\" appears more than once"});
        } else {
            where[static_cast<std::size_t>(found - expected.begin())] = i;
        }
    }
    std::string missing;
    int missingCount = 0;
    for (std::size_t e = 0; e < expected.size(); ++e) {
        if (where[e] == kNone) {
            missing += (missing.empty() ? "\"" : ", \"") + std::string(expected[e]) + '"';
            ++missingCount;
        }
    }
    if (missingCount > 0)
        problems.push_back(
            {missingAt, "no " + std::string(noun) + (missingCount > 1 ? "s " : " ") + missing});
    if (problems.size() != before)
        return std::nullopt;
    return where;
}

ParsedTable parseTable(std::string_view text, TableFormat format, const std::string& source,
                       const std::vector<std::string_view>& names, Problems& problems) {
    ParsedTable table;
    if (format == TableFormat::Json) {
        table.json = readJsonObjects(text, source);
        table.records = table.json.size();
        for (const JsonObject& object : table.json) {
            const auto where = matchNames(object.keys, names, object.at, "field", problems);
            if (!where)
                continue;
            RowCells row{object.at, {}};
            for (const std::size_t i : *where)
                row.cells.push_back(&object.values[i]);
            table.rows.push_back(std::move(row));
        }
        return table;
    }
    table.csv = readCsv(text, source);
    if (table.csv.empty())
        throw ImportError(source, {{{1, 1}, "empty table: the first line names the columns"}});
    const std::vector<Cell>& header = table.csv.front();
    table.records = table.csv.size() - 1;
    const auto where = matchNames(header, names, header.front().at, "column", problems);
    if (!where)
        return table;
    for (std::size_t r = 1; r < table.csv.size(); ++r) {
        const std::vector<Cell>& record = table.csv[r];
        if (record.size() != header.size()) {
            const TextPosition at =
                record.size() > header.size() ? record[header.size()].at : record.front().at;
            problems.push_back({at, "this row has " + std::to_string(record.size()) +
                                        " fields; the header has " +
                                        std::to_string(header.size())});
            continue;
        }
        RowCells row{record.front().at, {}};
        for (const std::size_t i : *where)
            row.cells.push_back(&record[i]);
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::string shown(const std::string& text) {
    constexpr std::size_t kLongest = 40;
    return '"' + (text.size() > kLongest ? text.substr(0, kLongest) + "..." : text) + '"';
}

// A whole number written as digits with an optional minus sign, from `low` to `high`.
std::optional<long long> wholeNumber(const Cell& cell, std::string_view field, long long low,
                                     long long high, Problems& problems) {
    const auto problem = [&](const std::string& message) {
        problems.push_back({cell.at, std::string(field) + ": " + message});
        return std::nullopt;
    };
    if (cell.kind == CellKind::String)
        return problem("expected a number, not the string " + shown(cell.text));
    if (cell.kind == CellKind::Other)
        return problem("expected a number, not " + cell.text);
    const char* begin = cell.text.data();
    const char* end = begin + cell.text.size();
    long long value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    const bool digitsOnly =
        stop == end && (error == std::errc{} || error == std::errc::result_out_of_range);
    if (cell.text.empty() || !digitsOnly)
        return problem(shown(cell.text) + " is not a whole number");
    if (error != std::errc{} || value < low || value > high)
        return problem(cell.text + " is outside " + std::to_string(low) + " to " +
                       std::to_string(high));
    return value;
}

// A text of at most `width` ISO-8859-1 characters; a shorter one is padded with blanks
// when the record is encoded, as the editor pads it.
std::optional<std::string> fixedText(const Cell& cell, std::string_view field, std::size_t width,
                                     Problems& problems) {
    const auto problem = [&](const std::string& message) {
        problems.push_back({cell.at, std::string(field) + ": " + message});
        return std::nullopt;
    };
    if (cell.kind == CellKind::Number || cell.kind == CellKind::Other)
        return problem("expected a string, not " + cell.text);
    std::string why;
    std::optional<std::string> latin1 = utf8ToLatin1(cell.text, why);
    if (!latin1)
        return problem(shown(cell.text) + ' ' + why);
    if (latin1->size() > width)
        return problem(shown(cell.text) + " has " + std::to_string(latin1->size()) +
                       " characters; at most " + std::to_string(width) + " fit");
    return latin1;
}

template <typename Record, std::size_t N>
std::string fromTable(const TableShape<Record, N>& shape, std::string_view text, TableFormat format,
                      const std::string& source, Progress& progress) {
    Problems problems;
    const ParsedTable table = parseTable(text, format, source, columnNames(shape), problems);
    const std::size_t count = table.records;
    if (count > kMaxRecords) {
        problems.push_back({table.rows.empty() ? TextPosition{} : table.rows.back().at,
                            "more than " + std::to_string(kMaxRecords) + " records"});
        throw ImportError(source, std::move(problems));
    }
    progress.start(static_cast<std::int64_t>(count));
    std::vector<std::uint8_t> bytes(count * shape.recordBytes, 0);
    std::vector<const Cell*> mapFirstSeen(count + 1, nullptr);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const RowCells& row = table.rows[r];
        std::size_t column = 0;
        std::optional<std::size_t> slot = r;
        if (shape.mapColumn) {
            const Cell& cell = *row.cells[column++];
            slot.reset();
            if (const auto map =
                    wholeNumber(cell, kMapColumn, 1, static_cast<long long>(count), problems)) {
                const Cell*& first = mapFirstSeen[static_cast<std::size_t>(*map)];
                if (first != nullptr) {
                    problems.push_back({cell.at, "map: map " + cell.text +
                                                     " appears twice (first on line " +
                                                     std::to_string(first->at.line) + ")"});
                } else {
                    first = &cell;
                    slot = static_cast<std::size_t>(*map - 1);
                }
            }
        }
        Record record{};
        for (const RecordField<Record>& field : shape.layout) {
            const Cell& cell = *row.cells[column++];
            if (field.kind == FieldKind::Int16) {
                if (const auto value = wholeNumber(cell, field.name, -32768, 32767, problems))
                    *field.int16(record) = static_cast<std::int16_t>(*value);
            } else if (auto value = fixedText(cell, field.name, field.width, problems)) {
                *field.text(record) = std::move(*value);
            }
        }
        if (slot)
            encodeRecord(shape.layout, record,
                         std::span<std::uint8_t>(bytes).subspan(*slot * shape.recordBytes,
                                                                shape.recordBytes));
        progress.advance();
    }
    if (!problems.empty()) {
        std::stable_sort(problems.begin(), problems.end(), [](const auto& a, const auto& b) {
            return std::pair(a.at.line, a.at.column) < std::pair(b.at.line, b.at.column);
        });
        throw ImportError(source, std::move(problems));
    }
    progress.finish();
    return std::string(bytes.begin(), bytes.end());
}

const TableShape<MonsterRecord, std::tuple_size_v<decltype(kMonsterLayout)>> kStatsTable{
    kMonsterLayout, kMonsterRecordBytes, false};
const TableShape<EncounterRecord, std::tuple_size_v<decltype(kEncounterLayout)>> kEncounterTable{
    kEncounterLayout, kEncounterRecordBytes, true};

} // namespace

std::string statsToTable(std::string_view fileBytes, TableFormat format, Progress& progress) {
    return toTable(kStatsTable, fileBytes, format, progress);
}

std::string encountersToTable(std::string_view fileBytes, TableFormat format, Progress& progress) {
    return toTable(kEncounterTable, fileBytes, format, progress);
}

std::string statsFromTable(std::string_view table, TableFormat format, const std::string& source,
                           Progress& progress) {
    return fromTable(kStatsTable, table, format, source, progress);
}

std::string encountersFromTable(std::string_view table, TableFormat format,
                                const std::string& source, Progress& progress) {
    return fromTable(kEncounterTable, table, format, source, progress);
}

} // namespace valmor::cli
