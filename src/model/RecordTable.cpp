#include "model/RecordTable.h"

#include <algorithm>

namespace qr::model {

namespace {

std::vector<std::string> folderColumns() {
    return {"Name", "sector", "self",  "parent", "date",   "time",
            "size", "attr",   "sysID", "Type",   "Deleted"};
}

std::vector<std::string> bootColumns() {
    return {"Sector",          "SPF",           "SPC",      "Root Sectors", "Root Start",
            "Reserve Sectors", "Cluster0Start", "firstFAT", "secondFAT",    "TotalSectors",
            "PartType"};
}

template <typename T> T parseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\f' || text[i] == '\v'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps; the cast back gives the 32- or 64-bit wrap-around.
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = static_cast<U>(value * 10u + static_cast<U>(text[i] - '0'));
    if (negative)
        value = static_cast<U>(0u - value);
    return static_cast<T>(value);
}

} // namespace

std::uint32_t parseCellNumber(std::string_view text) {
    return static_cast<std::uint32_t>(parseDecimal<std::int32_t>(text));
}

std::int64_t parseCellNumber64(std::string_view text) {
    return parseDecimal<std::int64_t>(text);
}

RecordTable::RecordTable(std::vector<std::string> columns) : columns_(std::move(columns)) {}

namespace {

void appendLength(std::string& out, std::size_t length) {
    do {
        const auto low = static_cast<unsigned char>(length & 0x7F);
        length >>= 7;
        out += static_cast<char>(length ? (low | 0x80) : low);
    } while (length);
}

// Where column `column`'s length prefix starts, where its text starts and how long it
// is, in a row written by appendLength.
struct CellPlace {
    std::size_t prefix = 0;
    std::size_t text = 0;
    std::size_t length = 0;
};

// The length prefix at `at`, which moves past it.
std::size_t readLength(const std::string& row, std::size_t& at) {
    std::size_t length = 0;
    unsigned shift = 0;
    unsigned char byte = 0;
    do {
        byte = static_cast<unsigned char>(row[at++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    return length;
}

CellPlace placeOf(const std::string& row, int column) {
    CellPlace place;
    std::size_t at = 0;
    for (int c = 0;; ++c) {
        place.prefix = at;
        const std::size_t length = readLength(row, at);
        if (c == column) {
            place.text = at;
            place.length = length;
            return place;
        }
        at += length;
    }
}

} // namespace

int RecordTable::insertRow(int row, std::string_view firstCell) {
    row = std::clamp(row, 0, rowCount());
    std::string cells;
    if (!columns_.empty()) {
        appendLength(cells, firstCell.size());
        cells.append(firstCell);
        cells.append(columns_.size() - 1, '\0');
    }
    rows_.insert(rows_.begin() + row, std::move(cells));
    if (!rowValues_.empty())
        rowValues_.insert(rowValues_.begin() + row, std::nullopt);
    return row;
}

int RecordTable::appendCells(std::initializer_list<std::string_view> cells) {
    std::string row;
    std::size_t bytes = columns_.size();
    for (std::string_view cell : cells)
        bytes += cell.size() + 2;
    row.reserve(bytes);
    std::size_t column = 0;
    for (auto it = cells.begin(); it != cells.end() && column < columns_.size(); ++it, ++column) {
        appendLength(row, it->size());
        row.append(*it);
    }
    row.append(columns_.size() - column, '\0');
    rows_.push_back(std::move(row));
    if (!rowValues_.empty())
        rowValues_.emplace_back();
    return rowCount() - 1;
}

void RecordTable::setRowValue(int row, std::uint64_t value) {
    if (row < 0 || row >= rowCount())
        return;
    rowValues_.resize(rows_.size());
    rowValues_[static_cast<std::size_t>(row)] = value;
}

std::optional<std::uint64_t> RecordTable::rowValue(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rowValues_.size())
        return std::nullopt;
    return rowValues_[static_cast<std::size_t>(row)];
}

void RecordTable::setCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    std::string& cells = rows_[static_cast<std::size_t>(row)];
    const CellPlace place = placeOf(cells, column);
    std::string replacement;
    appendLength(replacement, text.size());
    replacement.append(text);
    cells.replace(place.prefix, place.text + place.length - place.prefix, replacement);
}

void RecordTable::setNumber(int row, int column, std::uint32_t value) {
    setCell(row, column, std::to_string(value));
}

void RecordTable::setSignedNumber(int row, int column, std::int32_t value) {
    setCell(row, column, std::to_string(value));
}

void RecordTable::setNumber64(int row, int column, std::int64_t value) {
    setCell(row, column, std::to_string(value));
}

bool RecordTable::find(int row, int column, std::string_view& text) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    const std::string& cells = rows_[static_cast<std::size_t>(row)];
    const CellPlace place = placeOf(cells, column);
    text = std::string_view(cells).substr(place.text, place.length);
    return true;
}

std::string RecordTable::cell(int row, int column, std::size_t bufferSize) const {
    return std::string(view(row, column, bufferSize));
}

std::string_view RecordTable::view(int row, int column, std::size_t bufferSize) const {
    std::string_view text;
    if (!find(row, column, text) || bufferSize == 0)
        return {};
    return text.substr(0, std::min(text.size(), bufferSize - 1));
}

RowCells RecordTable::cells(int row) const {
    RowCells result;
    if (row < 0 || row >= rowCount())
        return result;
    const std::string& cells = rows_[static_cast<std::size_t>(row)];
    std::size_t at = 0;
    const int columns = std::min(columnCount(), kMaxColumns);
    for (int c = 0; c < columns; ++c) {
        const std::size_t length = readLength(cells, at);
        result.cells_[static_cast<std::size_t>(c)] = std::string_view(cells).substr(at, length);
        at += length;
    }
    return result;
}

std::uint32_t RecordTable::number(int row, int column, std::size_t bufferSize) const {
    return parseCellNumber(view(row, column, bufferSize));
}

std::int64_t RecordTable::number64(int row, int column, std::size_t bufferSize) const {
    return parseCellNumber64(view(row, column, bufferSize));
}

bool RecordTable::flag(int row, int column, std::size_t bufferSize) const {
    return view(row, column, bufferSize) == "1";
}

bool RecordTable::cellEquals(int row, int column, std::string_view text) const {
    std::string_view value;
    return find(row, column, value) ? value == text : text.empty();
}

void RecordTable::deleteRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    rows_.erase(rows_.begin() + row);
    if (static_cast<std::size_t>(row) < rowValues_.size())
        rowValues_.erase(rowValues_.begin() + row);
}

RecordTables::RecordTables()
    : folderTable(folderColumns()), fileTable(folderColumns()),
      dirClusterTable(
          {"Sector", "Self Cluster", "Parent Cluster", "File System", "Date", "Time", "First Run"}),
      bootSectorTable(bootColumns()), fileSystemTable(bootColumns()),
      indexRecordTable({"sector", "mftReference", "vcn", "fsNumber"}),
      mftRecordTable({"name", "Sector", "parentMFT", "selfMFT", "size", "type", "fsNumber", "date",
                      "First Run", "Deleted"}) {}

} // namespace qr::model
