// The map's picture and the run's words: a cell shows the worst of its bytes (one bad
// sector in a large cell shows), slow areas over rescued ones, cells of a medium that
// does not divide evenly; the window's figures are the terminal line's, and every end
// of a run says what became of its work.
#include "rescue/MapCells.h"
#include "rescue/RescueStatusText.h"

#include <gtest/gtest.h>

namespace qr::rescue {
namespace {

std::string picture(const std::vector<MapCell>& cells) {
    std::string text;
    for (MapCell cell : cells)
        text += "+.s-"[static_cast<int>(cell)]; // . not tried yet
    return text;
}

TEST(MapCells, EachCellShowsTheWorstOfItsBytes) {
    RescueMap map(1000);
    EXPECT_EQ(picture(MapCells(map, {}, 4)), "....");
    map.mark(0, 500, BlockState::Rescued);
    EXPECT_EQ(picture(MapCells(map, {}, 4)), "++..");
    map.mark(600, 1, BlockState::Bad); // one byte spoils its whole cell
    map.mark(750, 10, BlockState::NotScraped);
    EXPECT_EQ(picture(MapCells(map, {}, 4)), "++--");
    map.mark(0, 1000, BlockState::Rescued);
    EXPECT_EQ(picture(MapCells(map, {{240, 260}}, 4)), "ss++") << "a slow area across a border";
    map.mark(255, 1, BlockState::NotTrimmed);
    EXPECT_EQ(picture(MapCells(map, {{240, 260}}, 4)), "s-++") << "bad outweighs slow";
}

TEST(MapCells, UnevenAndDegenerateMedia) {
    RescueMap map(10);
    map.mark(9, 1, BlockState::Bad); // the last byte lands in the last cell
    EXPECT_EQ(picture(MapCells(map, {}, 3)), "..-");
    // More cells than bytes: every cell still maps to a byte.
    EXPECT_EQ(picture(MapCells(map, {}, 20)), std::string(18, '.') + "--");
    EXPECT_TRUE(MapCells(RescueMap(0), {}, 8).empty());
    EXPECT_TRUE(MapCells(map, {}, 0).empty());
    // A slow area past the medium's end is clipped, not written out of bounds.
    EXPECT_EQ(picture(MapCells(map, {{5, 1'000'000}}, 2)), ".-");
    // A medium of many terabytes does not overflow the cell arithmetic.
    RescueMap huge(std::uint64_t{1} << 60);
    huge.mark((std::uint64_t{1} << 60) - 1, 1, BlockState::Rescued);
    const std::vector<MapCell> cells = MapCells(huge, {}, 1024);
    ASSERT_EQ(cells.size(), 1024u);
    EXPECT_EQ(cells.back(), MapCell::NotTried);
    EXPECT_EQ(picture(MapCells(huge, {{std::uint64_t{1} << 59, (std::uint64_t{1} << 59) + 1}}, 4)),
              "..s.");
}

TEST(RescueStatusText, FiguresMakeTheLineAndEndsSayWhatIsKept) {
    RescueStatus s;
    s.phase = '?';
    s.size = 64'000'000;
    s.rescued = 2'500'000;
    s.badAreas = 3;
    s.badBytes = 1536;
    s.rate = 35'100'000;
    s.secondsLeft = 75;
    const auto figures = RescueStatusFigures(s);
    ASSERT_EQ(figures.size(), 5u);
    EXPECT_EQ(figures[0], (std::pair<std::string, std::string>{"rescued", "2.5 MB of 64.0 MB"}));
    EXPECT_EQ(figures[4].second, "1 m 15 s");
    EXPECT_EQ(RescueStatusLine(s), "rescued: 2.5 MB of 64.0 MB, bad areas: 3, bad: 1536 B, "
                                   "rate: 35.1 MB/s, time left: 1 m 15 s");
    s.phase = '+';
    EXPECT_EQ(RescueStatusFigures(s)[4].second, "0 s");

    RescueMap map(4096);
    map.mark(0, 4096, BlockState::Rescued);
    EXPECT_EQ(RescueEndText(RescueEnd::Finished, map), "finished; every sector was rescued");
    map.mark(1024, 20'000, BlockState::Bad);
    EXPECT_EQ(RescueEndText(RescueEnd::Finished, map), "finished; 3072 B could not be read");
    map.currentPos = 2048;
    EXPECT_EQ(RescueEndText(RescueEnd::MediumGone, map),
              "the medium stopped answering at sector 4; the map keeps what was rescued");
    for (RescueEnd end : {RescueEnd::Stopped, RescueEnd::SizeChanged})
        EXPECT_NE(RescueEndText(end, map).find("the map keeps what was rescued"),
                  std::string::npos);
    EXPECT_EQ(RescueEndText(RescueEnd::WriteFailed, map), "the image could not be written");
    EXPECT_EQ(RescueEndText(RescueEnd::MapNotSaved, map), "the map could not be saved");
}

} // namespace
} // namespace qr::rescue
