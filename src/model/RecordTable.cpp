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

int RecordTable::insertRow(int row, std::string_view firstCell) {
    row = std::clamp(row, 0, rowCount());
    std::vector<std::string> cells(columns_.size());
    if (!cells.empty())
        cells[0] = std::string(firstCell);
    rows_.insert(rows_.begin() + row, std::move(cells));
    return row;
}

void RecordTable::setCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::string(text);
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

const std::string* RecordTable::find(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return &rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::string RecordTable::cell(int row, int column, std::size_t bufferSize) const {
    const std::string* text = find(row, column);
    if (!text || bufferSize == 0)
        return {};
    return text->substr(0, std::min(text->size(), bufferSize - 1));
}

std::uint32_t RecordTable::number(int row, int column, std::size_t bufferSize) const {
    return parseCellNumber(cell(row, column, bufferSize));
}

std::int64_t RecordTable::number64(int row, int column, std::size_t bufferSize) const {
    return parseCellNumber64(cell(row, column, bufferSize));
}

bool RecordTable::flag(int row, int column, std::size_t bufferSize) const {
    return cell(row, column, bufferSize) == "1";
}

bool RecordTable::cellEquals(int row, int column, std::string_view text) const {
    const std::string* value = find(row, column);
    return value ? *value == text : text.empty();
}

void RecordTable::deleteRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    rows_.erase(rows_.begin() + row);
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
