#include "game/tables/record_tables.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "files/message_text.h"
#include "files/record_file.h"
#include "game/conversions.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/tables/csv.h"
#include "game/tables/import_error.h"
#include "game/tables/json.h"
#include "game/tables/latin1.h"
#include "game/tables/row_writer.h"
#include "game/tables/text_stream.h"

namespace valmor::tables {

std::optional<TableFormat> tableFormatNamed(std::string_view name) {
    if (name == "csv")
        return TableFormat::Csv;
    if (name == "json")
        return TableFormat::Json;
    return std::nullopt;
}

// Echoed input is cut to about this many characters, so that a message stays readable.
constexpr std::size_t kShownCharacters = 60;

std::string shown(std::string_view text) {
    std::size_t characters = 0;
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        const bool continuation = (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
        if (!continuation && characters++ == kShownCharacters)
            break;
    }
    return '"' + escapeForMessage(text.substr(0, end)) + (end < text.size() ? "..." : "") + '"';
}

namespace {

constexpr std::string_view kMapColumn = "map";
// Imports count their progress in KiB of input.
constexpr std::int64_t kKiB = 1024;

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

template <typename Record, std::size_t N>
std::string toTable(const TableShape<Record, N>& shape, std::string_view bytes, TableFormat format,
                    Progress& progress) {
    const std::size_t count = recordCount(bytes.size(), shape.recordBytes);
    const std::vector<std::string_view> columns = columnNames(shape);
    std::string table;
    RowWriter writer(table, format, columns);
    progress.start(static_cast<std::int64_t>(count));
    std::size_t number = 0;
    forEachRecord(bytes, shape.recordBytes, [&](std::span<const std::uint8_t> recordBytes) {
        Record record = decodeRecord<Record>(shape.layout, recordBytes);
        writer.beginRow();
        std::size_t column = 0;
        if (shape.mapColumn)
            writer.number(columns[column++], std::to_string(++number));
        for (const auto& field : shape.layout) {
            if (field.kind == FieldKind::Int16)
                writer.number(columns[column++], FormatInt(*field.int16(record)));
            else
                writer.text(columns[column++], latin1ToUtf8(*field.text(record)));
        }
        writer.endRow();
        progress.advance();
    });
    progress.finish();
    writer.finish();
    return table;
}

// ---- Reading ----

// Where each expected name stands among the given ones. Unknown, repeated and missing
// names are problems; a missing one is reported at `missingAt`.
std::optional<std::vector<std::size_t>> matchNames(const std::vector<Cell>& given,
                                                   const std::vector<std::string_view>& expected,
                                                   TextPosition missingAt, std::string_view noun,
                                                   ProblemList& problems) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> where(expected.size(), kNone);
    bool fine = true;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const std::string& name = given[i].text;
        const auto found = std::find(expected.begin(), expected.end(), name);
        if (found == expected.end()) {
            problems.add(given[i].at, "unknown " + std::string(noun) + ' ' + shown(name));
            fine = false;
        } else if (where[static_cast<std::size_t>(found - expected.begin())] != kNone) {
            problems.add(given[i].at,
                         std::string(noun) + ' ' + shown(name) + " appears more than once");
            fine = false;
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
    if (missingCount > 0) {
        problems.add(missingAt,
                     "no " + std::string(noun) + (missingCount > 1 ? "s " : " ") + missing);
        fine = false;
    }
    if (!fine)
        return std::nullopt;
    return where;
}

// A whole number written as digits with an optional minus sign, from `low` to `high`.
std::optional<long long> wholeNumber(const Cell& cell, std::string_view field, long long low,
                                     long long high, ProblemList& problems) {
    const auto problem = [&](const std::string& message) {
        problems.add(cell.at, std::string(field) + ": " + message);
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
    if (error != std::errc{} || value < low || value > high) {
        // Digits as written, unquoted as before, but cut like any echoed input.
        const std::string digits = shown(cell.text);
        return problem(digits.substr(1, digits.size() - 2) + " is outside " + std::to_string(low) +
                       " to " + std::to_string(high));
    }
    return value;
}

// A text of at most `width` ISO-8859-1 characters; a shorter one is padded with blanks
// when the record is encoded, as the editor pads it.
std::optional<std::string> fixedText(const Cell& cell, std::string_view field, std::size_t width,
                                     ProblemList& problems) {
    const auto problem = [&](const std::string& message) {
        problems.add(cell.at, std::string(field) + ": " + message);
        return std::nullopt;
    };
    if (cell.kind == CellKind::Number) {
        const std::string number = shown(cell.text);
        return problem("expected a string, not " + number.substr(1, number.size() - 2));
    }
    if (cell.kind == CellKind::Other)
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

// Checks each row of a table as it is read and encodes it into the file bytes, which are
// at most kMaxRecords records.
template <typename Record, std::size_t N> class RecordImporter {
public:
    RecordImporter(const TableShape<Record, N>& shape, const std::string& source)
        : shape_(shape), source_(source) {}

    ProblemList& problems() { return problems_; }

    // Counts a record that starts at `at`, whether its row can be read or not; throws at
    // the first record past the limit.
    void countRecord(TextPosition at) {
        if (++records_ > kMaxRecords)
            throw ImportError(source_, {{at, "more than " + std::to_string(kMaxRecords) +
                                                 " records; a file holds at most " +
                                                 std::to_string(kMaxRecords)}});
    }

    // The row of the record counted last: `where` gives, for each column name in order,
    // the place of its cell in `cells`.
    void row(const std::vector<Cell>& cells, const std::vector<std::size_t>& where) {
        std::size_t column = 0;
        std::optional<std::size_t> slot = records_ - 1;
        if (shape_.mapColumn) {
            const Cell& cell = cells[where[column++]];
            slot.reset();
            if (const auto map = wholeNumber(cell, kMapColumn, 1,
                                             static_cast<long long>(kMaxRecords), problems_)) {
                ++mapsRead_;
                const auto number = static_cast<std::size_t>(*map);
                if (mapLines_.size() <= number)
                    mapLines_.resize(number + 1, 0);
                std::int64_t& firstLine = mapLines_[number];
                if (firstLine != 0) {
                    problems_.add(cell.at, "map: map " + std::to_string(number) +
                                               " appears twice (first on line " +
                                               std::to_string(firstLine) + ")");
                } else {
                    firstLine = cell.at.line;
                    slot = number - 1;
                    if (number > highestMap_) {
                        highestMap_ = number;
                        highestMapAt_ = cell.at;
                    }
                }
            }
        }
        Record record{};
        for (const RecordField<Record>& field : shape_.layout) {
            const Cell& cell = cells[where[column++]];
            if (field.kind == FieldKind::Int16) {
                if (const auto value = wholeNumber(cell, field.name, -32768, 32767, problems_))
                    *field.int16(record) = static_cast<std::int16_t>(*value);
            } else if (auto value = fixedText(cell, field.name, field.width, problems_)) {
                *field.text(record) = std::move(*value);
            }
        }
        if (!slot || !problems_.empty())
            return; // the bytes will not be used
        const std::size_t at = *slot * shape_.recordBytes;
        if (bytes_.size() < at + shape_.recordBytes)
            bytes_.resize(at + shape_.recordBytes, 0);
        encodeRecord(shape_.layout, record,
                     std::span<std::uint8_t>(bytes_).subspan(at, shape_.recordBytes));
    }

    // The file bytes, once every row is read; throws with every problem found.
    std::string finish() {
        // A gap is certain only when every row's map number could be read.
        if (shape_.mapColumn && mapsRead_ == records_) {
            for (std::size_t map = 1; map < highestMap_; ++map) {
                if (mapLines_[map] == 0)
                    problems_.add(highestMapAt_, "map " + std::to_string(map) +
                                                     " is missing; every map from 1 to " +
                                                     std::to_string(highestMap_) + " needs a row");
            }
        }
        if (!problems_.empty())
            problems_.raise(source_);
        bytes_.resize((shape_.mapColumn ? highestMap_ : records_) * shape_.recordBytes, 0);
        return std::string(bytes_.begin(), bytes_.end());
    }

private:
    const TableShape<Record, N>& shape_;
    const std::string& source_;
    ProblemList problems_;
    std::vector<std::uint8_t> bytes_;
    std::size_t records_ = 0;
    // Encounter tables: the line naming each map (0 for none yet), and the highest map.
    std::vector<std::int64_t> mapLines_;
    std::size_t highestMap_ = 0;
    TextPosition highestMapAt_;
    std::size_t mapsRead_ = 0;
};

// The size of what is left in `in` when it can be known (a file), for the progress bar.
std::optional<std::int64_t> remainingBytes(std::istream& in) {
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1)) {
        in.clear();
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::istream::pos_type end = in.tellg();
    in.seekg(here);
    if (!in || end == std::istream::pos_type(-1)) {
        in.clear();
        in.seekg(here);
        return std::nullopt;
    }
    return static_cast<std::int64_t>(end - here);
}

template <typename Record, std::size_t N>
void readRows(RecordImporter<Record, N>& importer, TextStream& text, TableFormat format,
              const std::vector<std::string_view>& names, Progress& progress) {
    ProblemList& problems = importer.problems();
    if (format == TableFormat::Json) {
        JsonReader reader(text);
        JsonObject object;
        while (reader.next(object)) {
            importer.countRecord(object.at);
            if (const auto where = matchNames(object.keys, names, object.at, "field", problems))
                importer.row(object.values, *where);
            progress.advanceTo(static_cast<std::int64_t>(text.offset()) / kKiB);
        }
        return;
    }
    CsvReader reader(text);
    std::vector<Cell> header;
    if (!reader.next(header))
        text.fail({1, 1}, "empty table: the first line names the columns");
    const auto where = matchNames(header, names, header.front().at, "column", problems);
    std::vector<Cell> record;
    while (reader.next(record)) {
        importer.countRecord(record.front().at);
        progress.advanceTo(static_cast<std::int64_t>(text.offset()) / kKiB);
        if (!where)
            continue; // the rows are still read, for their syntax and their number
        if (record.size() != header.size()) {
            const TextPosition at =
                record.size() > header.size() ? record[header.size()].at : record.front().at;
            problems.add(at, "this row has " + std::to_string(record.size()) +
                                 " fields; the header has " + std::to_string(header.size()));
            continue;
        }
        importer.row(record, *where);
    }
}

template <typename Record, std::size_t N>
std::string fromTable(const TableShape<Record, N>& shape, std::istream& in,
                      std::optional<TableFormat> format, const std::string& source,
                      Progress& progress) {
    progress.start(remainingBytes(in).value_or(0) / kKiB, "KiB");
    TextStream text(in, source);
    text.skipByteOrderMark();
    const TableFormat chosen = format.value_or(
        text.firstNonBlank(kMaxRowBytes) == '[' ? TableFormat::Json : TableFormat::Csv);
    RecordImporter<Record, N> importer(shape, source);
    try {
        readRows(importer, text, chosen, columnNames(shape), progress);
    } catch (const ImportError& stop) {
        // Reading stopped at a syntax error or a limit: report it with what came before.
        importer.problems().add(stop);
        importer.problems().raise(source);
    }
    std::string bytes = importer.finish();
    progress.finish();
    return bytes;
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

std::string statsFromTable(std::istream& table, std::optional<TableFormat> format,
                           const std::string& source, Progress& progress) {
    return fromTable(kStatsTable, table, format, source, progress);
}

std::string encountersFromTable(std::istream& table, std::optional<TableFormat> format,
                                const std::string& source, Progress& progress) {
    return fromTable(kEncounterTable, table, format, source, progress);
}

} // namespace valmor::tables
