#include "model/RecordTable.h"

#include <gtest/gtest.h>

using qr::model::RecordTable;
using qr::model::RecordTables;
namespace col = qr::model::folder_col;

TEST(RecordTableCells, NumbersWrapAroundAsThirtyTwoBit) {
    RecordTables t;
    auto& f = t.folderTable;
    int row = f.appendRow("Lost");
    f.setNumber(row, col::Self, 0x0FFFFFFF);
    f.setNumber(row, col::Parent, static_cast<std::uint32_t>(-1));
    EXPECT_EQ(f.cell(row, col::Self), "268435455");
    EXPECT_EQ(f.cell(row, col::Parent), "4294967295");
    EXPECT_EQ(static_cast<std::int32_t>(f.number(row, col::Parent)), -1);
    // A never-written cell is empty text and the number 0.
    EXPECT_EQ(f.cell(row, col::Date), "");
    EXPECT_EQ(f.number(row, col::Date), 0u);
    // Missing rows and columns read as empty.
    EXPECT_EQ(f.cell(7, col::Name), "");
    EXPECT_EQ(f.cell(row, 99), "");
}

TEST(RecordTableCells, ParsingStopsAtFirstNonDigitAndCutsToBuffer) {
    EXPECT_EQ(qr::model::parseCellNumber("123abc"), 123u);
    EXPECT_EQ(qr::model::parseCellNumber("  -1"), 0xFFFFFFFFu);
    EXPECT_EQ(qr::model::parseCellNumber("4294967296"), 0u); // wraps
    EXPECT_EQ(qr::model::parseCellNumber64("-132000000000000000"), -132000000000000000LL);
    RecordTable t({"a"});
    t.appendRow("1234567");
    EXPECT_EQ(t.cell(0, 0, 4), "123");
    EXPECT_EQ(t.number(0, 0, 4), 123u);
    t.appendRow("1");
    EXPECT_TRUE(t.flag(1, 0));
    EXPECT_FALSE(t.flag(0, 0));
}

TEST(RecordTableRows, InsertAtFrontAndDeleteWhileWalking) {
    RecordTable t({"name", "type"});
    t.appendRow("a");
    t.appendRow("b");
    t.insertRow(0, "lost");
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.cell(0, 0), "lost");
    t.setCell(1, 1, "FOLDER");
    t.setCell(2, 1, "File");
    // Deleting moves the next row into the current index: walk without advancing.
    for (int i = 0; i < t.rowCount();) {
        if (t.cellEquals(i, 1, "File"))
            t.deleteRow(i);
        else
            ++i;
    }
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.cell(1, 0), "a");
}

// A row's own value stays with its row when rows are inserted before it or deleted, and
// rows made before or after any value was set have none.
TEST(RecordTableRows, RowValuesMoveWithTheirRows) {
    RecordTable t({"name", "length"});
    t.appendRow("before");
    const int big = t.appendCells({"big", ""});
    t.setRowValue(big, 0x1'0000'0001ull);
    t.appendRow("after");
    t.insertRow(0, "lost");
    t.setRowValue(99, 7); // no such row: ignored
    EXPECT_FALSE(t.rowValue(0));
    EXPECT_FALSE(t.rowValue(1));
    EXPECT_EQ(t.rowValue(2), 0x1'0000'0001ull);
    EXPECT_FALSE(t.rowValue(3));
    t.deleteRow(1);
    EXPECT_EQ(t.cell(1, 0), "big");
    EXPECT_EQ(t.rowValue(1), 0x1'0000'0001ull);
    EXPECT_FALSE(t.rowValue(2));
    t.clear();
    t.appendRow("again");
    EXPECT_FALSE(t.rowValue(0));
}

TEST(RecordTableCells, DeletedFlagIsTheTextOneAsSmallBuffersReadIt) {
    RecordTable t({"Deleted"});
    for (const char* text : {"1", "", "0", "11", " 1", "1 "})
        t.setCell(t.appendRow(""), 0, text);
    t.appendRow(""); // never written
    std::vector<bool> deleted;
    for (int r = 0; r < t.rowCount(); ++r)
        deleted.push_back(t.flag(r, 0, 8));
    EXPECT_EQ(deleted, (std::vector<bool>{true, false, false, false, false, false, false}));
    // A two-byte buffer keeps one character: what such a reader sees.
    EXPECT_TRUE(t.flag(3, 0, 2));
    EXPECT_FALSE(t.flag(7, 0)) << "a missing row is live";
}

TEST(RecordTableCells, SignedAndSixtyFourBitCellsRoundTrip) {
    RecordTables t;
    auto& d = t.dirClusterTable;
    int row = d.appendRow("1234");
    d.setSignedNumber(row, qr::model::dircluster_col::FileSystem, -1);
    EXPECT_EQ(d.cell(row, qr::model::dircluster_col::FileSystem), "-1");
    // Both spellings of "no file system" read back as the same number.
    d.setNumber(d.appendRow("5"), qr::model::dircluster_col::FileSystem, 0xFFFFFFFFu);
    EXPECT_EQ(d.number(0, qr::model::dircluster_col::FileSystem),
              d.number(1, qr::model::dircluster_col::FileSystem));
    auto& f = t.fileTable;
    f.appendRow("a.txt");
    f.setNumber64(0, col::Date, 127000000000000000LL);
    EXPECT_EQ(f.cell(0, col::Date), "127000000000000000");
    EXPECT_EQ(f.number64(0, col::Date), 127000000000000000LL);
    f.setNumber64(0, col::Date, -5);
    EXPECT_EQ(f.number64(0, col::Date), -5);
    EXPECT_EQ(f.number64(0, col::Size), 0) << "empty 64-bit cells are 0 too";
}

TEST(RecordTableRows, LostRowEndsLastWhenAdvanceRowsGoInFront) {
    RecordTables t;
    auto& f = t.folderTable;
    f.insertRow(0, "Lost");
    f.setNumber(0, col::Self, qr::model::kLostFolderKey);
    for (int i = 0; i < 3; ++i)
        f.insertRow(i, "DIR" + std::to_string(i));
    ASSERT_EQ(f.rowCount(), 4);
    EXPECT_EQ(f.cell(0, col::Name), "DIR0");
    EXPECT_EQ(f.cell(2, col::Name), "DIR2");
    EXPECT_EQ(f.cell(3, col::Name), "Lost");
    // Its key is found by byte-exact comparison wherever it is.
    EXPECT_TRUE(f.cellEquals(3, col::Self, "268435455"));
    EXPECT_FALSE(f.cellEquals(3, col::Self, "0268435455"));
    EXPECT_TRUE(f.cellEquals(0, col::Self, "")) << "unwritten cells compare as empty";
    // Out-of-range insertions land at the ends; clear empties the rows, not the columns.
    EXPECT_EQ(f.insertRow(99, "end"), 4);
    EXPECT_EQ(f.insertRow(-3, "front"), 0);
    f.clear();
    EXPECT_EQ(f.rowCount(), 0);
    EXPECT_EQ(f.columnCount(), 11);
    f.setCell(0, col::Name, "ignored"); // no such row: nothing happens
    EXPECT_EQ(f.rowCount(), 0);
}
