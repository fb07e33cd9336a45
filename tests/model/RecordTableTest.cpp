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
