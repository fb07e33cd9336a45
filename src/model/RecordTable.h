#pragma once
// An ordered table of text cells with named columns. The search stages hand their
// results to each other through these tables; numbers travel as decimal text.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qr::model {

// Key of the "Lost" pseudo-folder that collects orphaned folders.
inline constexpr std::uint32_t kLostFolderKey = 268435455; // 0x0FFFFFFF

// Default buffer size readers copy cells into (names and most numbers).
inline constexpr std::size_t kCellBuffer = 255;
// Buffer size readers copy a "Deleted" cell into.
inline constexpr std::size_t kFlagBuffer = 20;

// The most columns a table has.
inline constexpr int kMaxColumns = 11;

// The number parsing used for every cell: optional blanks and sign, decimal digits
// up to the first non-digit, 32-bit wrap-around (so "4294967295" is -1).
std::uint32_t parseCellNumber(std::string_view text);
std::int64_t parseCellNumber64(std::string_view text);

// The cells of one row decoded in one pass and read by the table's own rules (cut to
// the reader's buffer, the decimal parse): a stage that reads several cells of every
// row walks each row once. Valid until the row or the table changes.
class RowCells {
public:
    std::string_view view(int column, std::size_t bufferSize = kCellBuffer) const {
        if (column < 0 || column >= kMaxColumns || bufferSize == 0)
            return {};
        const std::string_view text = cells_[static_cast<std::size_t>(column)];
        return text.substr(0, std::min(text.size(), bufferSize - 1));
    }
    std::string cell(int column) const { return std::string(view(column)); }
    std::uint32_t number(int column) const { return parseCellNumber(view(column)); }
    std::int64_t number64(int column) const { return parseCellNumber64(view(column)); }
    bool flag(int column) const { return view(column, kFlagBuffer) == "1"; }

private:
    friend class RecordTable;
    std::array<std::string_view, kMaxColumns> cells_{};
};

class RecordTable {
public:
    explicit RecordTable(std::vector<std::string> columns);

    const std::vector<std::string>& columns() const { return columns_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }

    // Inserts a row at `row` (clamped to the row count) with `firstCell` in column 0;
    // the other cells are empty. Returns the index the row landed at.
    int insertRow(int row, std::string_view firstCell);
    int appendRow(std::string_view firstCell) { return insertRow(rowCount(), firstCell); }
    // Appends a row whose cells are `cells` in column order (missing ones empty), in
    // one step: scans writing a row per record use it.
    int appendCells(std::initializer_list<std::string_view> cells);
    void setCell(int row, int column, std::string_view text);
    // Unsigned decimal ("%lu" of a 32-bit value): -1 is written as 4294967295.
    void setNumber(int row, int column, std::uint32_t value);
    // Signed decimal ("%d").
    void setSignedNumber(int row, int column, std::int32_t value);
    void setNumber64(int row, int column, std::int64_t value);

    // The cell text cut to bufferSize - 1 characters; empty for a missing row or cell.
    std::string cell(int row, int column, std::size_t bufferSize = kCellBuffer) const;
    // The same text in place, valid until the row is changed or the table is.
    std::string_view view(int row, int column, std::size_t bufferSize = kCellBuffer) const;
    // Every cell of the row (all empty for a missing row).
    RowCells cells(int row) const;
    // Decimal parse that stops at the first non-digit, with 32-bit wrap-around.
    std::uint32_t number(int row, int column, std::size_t bufferSize = kCellBuffer) const;
    std::int64_t number64(int row, int column, std::size_t bufferSize = kCellBuffer) const;
    // True when the cell, cut to the reader's buffer, reads "1" (the "Deleted"
    // convention; readers use buffers of 8 to 20 characters).
    bool flag(int row, int column, std::size_t bufferSize = kFlagBuffer) const;
    // Whole-text byte comparison of a cell with `text`.
    bool cellEquals(int row, int column, std::string_view text) const;

    // A number a row carries beside its text cells where no cell may hold it (an engine's
    // own field). It is no column: copies of the cells and the recovery log leave it out,
    // so a row read back from a log has none.
    void setRowValue(int row, std::uint64_t value);
    std::optional<std::uint64_t> rowValue(int row) const;

    int rowCount() const { return static_cast<int>(rows_.size()); }
    void deleteRow(int row);
    void clear() {
        rows_.clear();
        rowValues_.clear();
    }

private:
    // A row is one string: for every column, the cell's length (7 bits a byte, low
    // bits first) and then its bytes. Tables of a million rows stay small that way.
    bool find(int row, int column, std::string_view& text) const;

    std::vector<std::string> columns_;
    std::vector<std::string> rows_;
    // By row once any row has a value (empty until then, so other tables pay nothing).
    std::vector<std::optional<std::uint64_t>> rowValues_;
};

// Column indexes of the seven tables.
namespace folder_col { // FolderTable and FileTable
enum : int { Name, Sector, Self, Parent, Date, Time, Size, Attr, SysId, Type, Deleted };
}
namespace dircluster_col {
enum : int { Sector, SelfCluster, ParentCluster, FileSystem, Date, Time, FirstRun };
}
namespace boot_col { // BootSectorTable and FileSystemTable
enum : int {
    Sector,
    Spf,
    Spc,
    RootSectors,
    RootStart,
    ReserveSectors,
    Cluster0Start,
    FirstFat,
    SecondFat,
    TotalSectors,
    PartType
};
}
namespace index_col {
enum : int { Sector, MftReference, Vcn, FsNumber };
}
namespace mft_col {
enum : int { Name, Sector, ParentMft, SelfMft, Size, Type, FsNumber, Date, FirstRun, Deleted };
}

// The seven hand-over tables of a search, with their fixed columns.
struct RecordTables {
    RecordTables();
    RecordTable folderTable;
    RecordTable fileTable;
    RecordTable dirClusterTable;
    RecordTable bootSectorTable;
    RecordTable fileSystemTable;
    RecordTable indexRecordTable;
    RecordTable mftRecordTable;
};

} // namespace qr::model
