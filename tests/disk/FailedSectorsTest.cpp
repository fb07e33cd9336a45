// The failure memory joins touching runs and tells the failed sectors inside a range;
// slow areas are told once, at their third slow read.
#include "disk/FailedSectors.h"

#include <gtest/gtest.h>
#include <string>

namespace qr::disk {
namespace {

std::string inside(const FailedSectors& f, std::uint64_t first, std::uint64_t count) {
    std::string text;
    f.forEachIn(first, count, [&](std::uint64_t s, std::uint64_t n) {
        text += std::to_string(s) + "+" + std::to_string(n) + " ";
    });
    return text;
}

TEST(FailedSectors, JoinsRunsAndClipsToTheRangeAsked) {
    FailedSectors f;
    f.add(10, 2);
    f.add(12, 3); // touches: one run 10..14
    f.add(20, 1);
    f.add(8, 3); // overlaps the first
    EXPECT_EQ(inside(f, 0, 100), "8+7 20+1 ");
    EXPECT_EQ(inside(f, 9, 12), "9+6 20+1 ");
    EXPECT_EQ(inside(f, 15, 5), "");
    EXPECT_TRUE(f.any(14, 1));
    EXPECT_FALSE(f.any(15, 5));
    EXPECT_EQ(f.total(), 8u);
    // The callback may add failures while it is told (no lock is held).
    f.forEachIn(0, 100, [&](std::uint64_t s, std::uint64_t) { f.add(s + 50, 1); });
    EXPECT_EQ(f.total(), 10u);
}

TEST(SlowAreas, ToldOnceAtTheThirdSlowReadOfAnArea) {
    SlowAreas areas(100);
    EXPECT_FALSE(areas.tellNow(1000));
    EXPECT_FALSE(areas.tellNow(1050));
    EXPECT_TRUE(areas.tellNow(1090));
    EXPECT_FALSE(areas.tellNow(1095)); // told already
    EXPECT_FALSE(areas.tellNow(5000)); // another area starts
    EXPECT_FALSE(areas.tellNow(5001));
    EXPECT_TRUE(areas.tellNow(5002));
}

TEST(SlowReadJudge, SmallReadsByTheFloorLargeOnesByTheUsualRate) {
    SlowReadJudge judge(15'000'000);
    EXPECT_FALSE(judge.slow(512, 1'000'000));
    EXPECT_TRUE(judge.slow(512, 20'000'000));
    EXPECT_FALSE(judge.slow(1 << 20, 1'000'000)); // learns about 1 ns a byte
    EXPECT_FALSE(judge.slow(1 << 20, 5'000'000)); // under the floor
    EXPECT_TRUE(judge.slow(1 << 20, 160'000'000));
}

// An image read from memory at gigabytes a second, held up now and then by a busy
// machine, has no slow area: a held-up read is still far faster than any slow card.
TEST(SlowReadJudge, AFastMediumHeldUpByABusyMachineIsNotSlow) {
    SlowReadJudge judge(15'000'000);
    constexpr std::uint64_t batch = 4 << 20;
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(judge.slow(batch, 400'000)); // 10 GB/s
    EXPECT_FALSE(judge.slow(batch, 60'000'000));  // 150 times the usual, still 70 MB/s
    EXPECT_TRUE(judge.slow(batch, 400'000'000));  // 10 MB/s
}

} // namespace
} // namespace qr::disk
