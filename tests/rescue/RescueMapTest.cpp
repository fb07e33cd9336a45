// The rescue map: marking keeps contiguous blocks with no equal neighbours, ddrescue's
// layout reads back as written, and every kind of damaged mapfile is refused with the
// line that shows it.
#include "rescue/RescueMap.h"

#include <gtest/gtest.h>
#include <sstream>

namespace qr::rescue {
namespace {

std::string layout(const RescueMap& map) {
    std::string text;
    for (const MapBlock& b : map.blocks())
        text +=
            std::to_string(b.pos) + ":" + std::to_string(b.size) + static_cast<char>(b.state) + " ";
    return text;
}

TEST(RescueMap, MarkingSplitsAndJoinsBlocks) {
    RescueMap map(100);
    map.mark(10, 20, BlockState::Rescued);
    EXPECT_EQ(layout(map), "0:10? 10:20+ 30:70? ");
    map.mark(30, 10, BlockState::Rescued); // joins its left neighbour
    EXPECT_EQ(layout(map), "0:10? 10:30+ 40:60? ");
    map.mark(0, 10, BlockState::Rescued);
    EXPECT_EQ(layout(map), "0:40+ 40:60? ");
    map.mark(20, 5, BlockState::Bad); // inside one block
    EXPECT_EQ(layout(map), "0:20+ 20:5- 25:15+ 40:60? ");
    map.mark(15, 40, BlockState::NotTrimmed); // across three
    EXPECT_EQ(layout(map), "0:15+ 15:40* 55:45? ");
    map.mark(90, 50, BlockState::Rescued); // clamped to the medium
    EXPECT_EQ(layout(map), "0:15+ 15:40* 55:35? 90:10+ ");
    EXPECT_EQ(map.bytesIn(BlockState::Rescued), 25u);
    EXPECT_EQ(map.areasIn(BlockState::Rescued), 2u);
    EXPECT_EQ(map.stateAt(54), BlockState::NotTrimmed);
    EXPECT_EQ(map.stateAt(55), BlockState::NotTried);
    map.mark(0, 100, BlockState::Rescued);
    EXPECT_EQ(layout(map), "0:100+ ");
}

TEST(RescueMap, NextBlockForwardAndBackward) {
    RescueMap map(100);
    map.mark(20, 10, BlockState::Rescued);
    map.mark(60, 10, BlockState::Rescued);
    auto next = map.nextIn(BlockState::NotTried, 25, true);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->pos, 30u);
    EXPECT_EQ(next->size, 30u);
    next = map.nextIn(BlockState::NotTried, 40, true); // clipped to the position
    EXPECT_EQ(next->pos, 40u);
    EXPECT_EQ(next->size, 20u);
    next = map.nextIn(BlockState::NotTried, 65, false);
    EXPECT_EQ(next->pos, 30u);
    EXPECT_EQ(next->size, 30u);
    next = map.nextIn(BlockState::NotTried, 15, false);
    EXPECT_EQ(next->pos, 0u);
    EXPECT_EQ(next->size, 15u);
    EXPECT_FALSE(map.nextIn(BlockState::Bad, 0, true));
    EXPECT_FALSE(map.nextIn(BlockState::NotTried, 0, false));
}

TEST(RescueMap, WrittenMapReadsBackTheSame) {
    RescueMap map(1 << 20);
    map.mark(4096, 512, BlockState::Bad);
    map.mark(0, 4096, BlockState::Rescued);
    map.mark(8192, 65536, BlockState::NotScraped);
    map.currentPos = 8192;
    map.currentPhase = '/';
    map.currentPass = 3;
    std::stringstream text;
    WriteRescueMap(text, map, "recovery-cli image --to x");
    const MapRead read = ReadRescueMap(text, 1 << 20);
    ASSERT_TRUE(read.map) << read.refusal.line << ": " << read.refusal.why;
    EXPECT_EQ(layout(*read.map), layout(map));
    EXPECT_EQ(read.map->currentPos, 8192u);
    EXPECT_EQ(read.map->currentPhase, '/');
    EXPECT_EQ(read.map->currentPass, 3);
}

TEST(RescueMap, ReadsDdrescueMapsWithOrWithoutPassAndInDecimal) {
    std::istringstream older("# Mapfile. Created by GNU ddrescue version 1.19\n"
                             "# current_pos  current_status\n"
                             "0x00000200     +\n"
                             "#      pos        size  status\n"
                             "0x00000000  0x00000200  +\r\n"
                             "  512  1536  -  \n");
    const MapRead read = ReadRescueMap(older, 2048);
    ASSERT_TRUE(read.map) << read.refusal.why;
    EXPECT_EQ(layout(*read.map), "0:512+ 512:1536- ");
    EXPECT_EQ(read.map->currentPass, 1);
}

struct Damaged {
    const char* text;
    std::size_t line;
    const char* why;
};

class DamagedMap : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedMap, IsRefusedWithItsLine) {
    std::istringstream in(GetParam().text);
    const MapRead read = ReadRescueMap(in, 4096);
    ASSERT_FALSE(read.map);
    EXPECT_EQ(read.refusal.line, GetParam().line);
    EXPECT_NE(read.refusal.why.find(GetParam().why), std::string::npos) << read.refusal.why;
}

INSTANTIATE_TEST_SUITE_P(
    RescueMap, DamagedMap,
    ::testing::Values(Damaged{"", 0, "no status line"},
                      Damaged{"# only a comment\n", 1, "no status line"},
                      Damaged{"0x0 X 1\n0x0 0x1000 +\n", 1, "status line"},
                      Damaged{"0x0 ? 1 extra\n0x0 0x1000 +\n", 1, "status line"},
                      Damaged{"0x0 ? 1\n0x0 0x1000 +\n0x1000 0x10 ?\n", 3, "past the end"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x700 0x900 -\n", 3, "overlaps"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x900 0x700 -\n", 3, "gap"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x800 0x800\n", 3, "not a block"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x800 0x800 x\n", 3, "not a block"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x800 zz +\n", 3, "not a block"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x800 -0x10 +\n", 3, "not a block"},
                      Damaged{"0x0 ? 1\n0x0 0x0 +\n", 2, "empty"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n# cut here\n", 3, "truncated"},
                      Damaged{"0x0 ? 1\n0x0 0x800 +\n0x800 0xFFFFFFFFFFFFFFFF -\n", 3,
                              "past the end"}));

} // namespace
} // namespace qr::rescue
