// The free-cluster reading of a deleted file: which clusters it takes, the tail it
// reads across runs, and when it is kept over the consecutive reading.
#include "volume/FreeClusterReading.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qr::volume {
namespace {

struct ClusterSpan {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

TEST(FreeClusterReading, RunsSkipTakenClustersAndStopAtTheEnd) {
    const std::set<std::uint32_t> taken = {12, 13, 15, 20};
    const auto isTaken = [&](std::uint32_t c) { return taken.count(c) != 0; };
    EXPECT_TRUE(ConsecutiveRunMeetsTaken(10, 3, 100, isTaken));
    EXPECT_FALSE(ConsecutiveRunMeetsTaken(10, 2, 100, isTaken)); // 10, 11 free
    EXPECT_FALSE(ConsecutiveRunMeetsTaken(12, 5, 100, isTaken)); // the start is taken
    EXPECT_FALSE(ConsecutiveRunMeetsTaken(10, 1, 100, isTaken));
    EXPECT_FALSE(ConsecutiveRunMeetsTaken(10, 9, 11, isTaken)); // the volume ends at 11

    const auto runs = FreeClusterRuns<ClusterSpan>(10, 6, 100, isTaken);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].first, 10u);
    EXPECT_EQ(runs[0].count, 2u);
    EXPECT_EQ(runs[1].first, 14u);
    EXPECT_EQ(runs[1].count, 1u);
    EXPECT_EQ(runs[2].first, 16u);
    EXPECT_EQ(runs[2].count, 3u);
    // Fewer clusters than needed when the volume ends; none asked, none given.
    const auto cut = FreeClusterRuns<ClusterSpan>(10, 50, 17, isTaken);
    std::uint32_t held = 0;
    for (const ClusterSpan& r : cut)
        held += r.count;
    EXPECT_EQ(held, 5u);
    EXPECT_TRUE(FreeClusterRuns<ClusterSpan>(10, 0, 100, isTaken).empty());
    EXPECT_TRUE(FreeClusterRuns<ClusterSpan>(101, 4, 100, isTaken).empty());
    // At the top of the cluster numbers nothing wraps.
    const auto top = FreeClusterRuns<ClusterSpan>(0xFFFFFFFEu, 8, 0xFFFFFFFFu, isTaken);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].count, 2u);
}

class FreeClusterTail : public ::testing::Test {
protected:
    // Sector n is filled with the letter 'a' + n % 26.
    FreeClusterTail() : medium(std::vector<unsigned char>(64 * 512)) {
        for (std::size_t i = 0; i < medium.bytes.size(); ++i)
            medium.bytes[i] = static_cast<unsigned char>('a' + (i / 512) % 26);
    }
    std::string tail(const std::vector<SectorRun>& runs, std::uint64_t size) {
        const auto bytes = TailOfRuns(medium, runs, size);
        return {bytes.begin(), bytes.end()};
    }
    void endWith(std::uint64_t sector, const std::string& bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  medium.bytes.begin() + static_cast<long>((sector + 1) * 512 - bytes.size()));
    }
    test::MemorySource medium;
};

TEST_F(FreeClusterTail, TheLastBytesComeFromTheRunsInFileOrder) {
    // 1300 bytes in sectors 4, 9, 10: the tail is the last 1024 of them.
    const std::string t = tail({{4, 1}, {9, 2}}, 1300);
    ASSERT_EQ(t.size(), 1024u);
    EXPECT_EQ(t.substr(0, 236), std::string(236, 'e'));
    EXPECT_EQ(t.substr(236, 512), std::string(512, 'j'));
    EXPECT_EQ(t.substr(748), std::string(276, 'k'));
    // A short file is read whole; a file longer than its runs ends where they do.
    EXPECT_EQ(tail({{2, 1}}, 10), std::string(10, 'c'));
    EXPECT_EQ(tail({{2, 1}}, 5000), std::string(512, 'c'));
    EXPECT_TRUE(tail({}, 5000).empty());
    EXPECT_TRUE(tail({{2, 1}}, 0).empty());
    // A sector the medium does not give reads as zeros.
    medium.badSectors.insert(10);
    EXPECT_EQ(tail({{9, 2}}, 1024).substr(512), std::string(512, '\0'));
}

TEST_F(FreeClusterTail, TheFreeReadingWinsUnlessOnlyTheConsecutiveOneEndsRight) {
    const std::vector<SectorRun> consecutive = {{4, 3}};
    const std::vector<SectorRun> free = {{4, 1}, {8, 2}};
    // Neither ends as a JPEG: the free reading.
    EXPECT_TRUE(FreeReadingWins(medium, "a.jpg", 1536, consecutive, free));
    endWith(6, "\xFF\xD9");
    EXPECT_FALSE(FreeReadingWins(medium, "a.jpg", 1536, consecutive, free));
    // No ending known: the free reading whatever the bytes.
    EXPECT_TRUE(FreeReadingWins(medium, "a.bin", 1536, consecutive, free));
    endWith(9, "\xFF\xD9");
    EXPECT_TRUE(FreeReadingWins(medium, "a.jpg", 1536, consecutive, free));
}

} // namespace
} // namespace qr::volume
