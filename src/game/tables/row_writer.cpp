#include "game/tables/row_writer.h"

#include "game/tables/csv.h"
#include "game/tables/json.h"

namespace valmor::tables {

RowWriter::RowWriter(std::string& out, TableFormat format,
                     std::span<const std::string_view> columns, JsonLayout layout)
    : out_(out), format_(format), layout_(layout) {
    if (format_ == TableFormat::Json) {
        out_ += '[';
        return;
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            out_ += ',';
        out_ += columns[i];
    }
    endCsvRecord(out_);
}

void RowWriter::beginRow() {
    first_ = true;
    if (format_ == TableFormat::Json)
        out_ += layout_ == JsonLayout::Spaced ? (rows_ == 0 ? "\n  {" : ",\n  {")
                                              : (rows_ == 0 ? "\n{" : ",\n{");
}

void RowWriter::key(std::string_view column) {
    const bool spaced = layout_ == JsonLayout::Spaced;
    if (!first_)
        out_ += format_ == TableFormat::Csv || !spaced ? "," : ", ";
    first_ = false;
    if (format_ == TableFormat::Csv)
        return;
    appendJsonString(out_, column);
    out_ += spaced ? ": " : ":";
}

void RowWriter::number(std::string_view column, std::string_view digits) {
    key(column);
    if (format_ == TableFormat::Csv)
        appendCsvNumber(out_, digits);
    else
        out_ += digits.empty() ? "null" : digits;
}

void RowWriter::text(std::string_view column, std::string_view utf8) {
    key(column);
    if (format_ == TableFormat::Csv)
        appendCsvText(out_, utf8);
    else
        appendJsonString(out_, utf8);
}

void RowWriter::beginList(std::string_view column) {
    key(column);
    out_ += '[';
    first_ = true;
}

void RowWriter::beginObject() {
    out_ += first_ ? "{" : ",{";
    first_ = true;
}

void RowWriter::endObject() {
    out_ += '}';
    first_ = false;
}

void RowWriter::endList() {
    out_ += ']';
    first_ = false;
}

void RowWriter::endRow() {
    ++rows_;
    if (format_ == TableFormat::Csv)
        endCsvRecord(out_);
    else
        out_ += '}';
}

void RowWriter::finish() {
    if (format_ == TableFormat::Json)
        out_ += rows_ == 0 && layout_ == JsonLayout::Spaced ? "]\n" : "\n]\n";
}

} // namespace valmor::tables
