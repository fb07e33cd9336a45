#include "disk/ByteView.h"
#include "disk/Sweep.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace qr::disk {
namespace {

TEST(ByteView, ReadsLittleEndianAndRefusesBytesOutsideWithoutOverflow) {
    const unsigned char bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};
    const ByteView view(bytes, sizeof bytes);
    EXPECT_EQ(view.u16(0), 0x0201);
    EXPECT_EQ(view.u32(1), 0x05040302u);
    EXPECT_EQ(view.u64(0), 0x0807060504030201u);
    EXPECT_EQ(view.u32(6), 0u); // runs past the end
    EXPECT_EQ(view.u8(9), 0);
    constexpr std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
    EXPECT_FALSE(view.has(huge, 2));
    EXPECT_FALSE(view.has(2, huge));
    EXPECT_TRUE(view.has(9, 0));
    EXPECT_EQ(view.sub(huge, 4).size(), 0u);
    EXPECT_EQ(view.sub(7, huge).size(), 2u);
}

TEST(ByteView, SignedRunListValuesOfEveryWidth) {
    const unsigned char minusTwo[] = {0xFE, 0xFF, 0xFF};
    const ByteView view(minusTwo, sizeof minusTwo);
    EXPECT_EQ(view.sN(0, 1), -2);
    EXPECT_EQ(view.sN(0, 3), -2);
    EXPECT_EQ(view.uN(0, 2), 0xFFFEu);
    EXPECT_EQ(view.sN(1, 3), 0); // past the end
    EXPECT_EQ(view.uN(0, 9), 0u);
}

std::vector<unsigned char> numberedSectors(std::uint64_t sectors) {
    std::vector<unsigned char> bytes(sectors * kSectorBytes);
    for (std::uint64_t s = 0; s < sectors; ++s)
        bytes[s * kSectorBytes] = static_cast<unsigned char>(s);
    return bytes;
}

TEST(Sweep, VisitsEverySectorOfTheRangeOnceInLargeReadsClampedToTheMedium) {
    test::MemorySource source(numberedSectors(100));
    SweepOptions options;
    options.batchSectors = 16;
    std::vector<std::uint64_t> seen;
    const SweepOutcome outcome =
        SweepSectors(source, {10, 1'000'000}, 1, options, {}, [&](std::uint64_t s, ByteView b) {
            EXPECT_EQ(b.size(), kSectorBytes);
            EXPECT_EQ(b.u8(0), static_cast<unsigned char>(s));
            seen.push_back(s);
            return true;
        });
    EXPECT_EQ(outcome.end, SweepEnd::Finished);
    EXPECT_EQ(outcome.clampedEnd, 100u);
    ASSERT_EQ(seen.size(), 90u);
    EXPECT_EQ(seen.front(), 10u);
    EXPECT_EQ(seen.back(), 99u);
    EXPECT_LE(source.reads.size(), 6u);
}

TEST(Sweep, StepVisitsTheFirstSectorOfEachClusterAcrossBatchBoundaries) {
    test::MemorySource source(numberedSectors(200));
    SweepOptions options;
    options.batchSectors = 20; // not a multiple of the step
    std::vector<std::uint64_t> seen;
    SweepSectors(source, {3, 200}, 8, options, {}, [&](std::uint64_t s, ByteView) {
        seen.push_back(s);
        return true;
    });
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], 3 + 8 * i);
    EXPECT_EQ(seen.back(), 195u);
}

SweepOptions Batches(std::uint32_t batch, std::uint32_t overlap = 0) {
    SweepOptions o;
    o.batchSectors = batch;
    o.overlapSectors = overlap;
    return o;
}

TEST(Sweep, OverlapHandsABatchEndAgainSoAMarkerAcrossTheBoundaryIsWhole) {
    test::MemorySource source(numberedSectors(64));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> batches;
    SweepBatches(source, {0, 64}, Batches(8, 2), {}, [&](std::uint64_t first, ByteView b) {
        batches.emplace_back(first, b.size() / kSectorBytes);
        for (std::uint64_t i = 0; i < b.size() / kSectorBytes; ++i)
            EXPECT_EQ(b.u8(i * kSectorBytes), static_cast<unsigned char>(first + i));
        return true;
    });
    ASSERT_GE(batches.size(), 2u);
    EXPECT_EQ(batches[0], std::make_pair(std::uint64_t{0}, std::uint64_t{8}));
    EXPECT_EQ(batches[1].first, 6u);
    EXPECT_EQ(batches.back().first + batches.back().second, 64u);
    // Every sector read once, in order.
    std::uint64_t next = 0;
    for (const auto& [start, count] : source.reads) {
        EXPECT_EQ(start, next);
        next = start + count;
    }
    EXPECT_EQ(next, 64u);
}

TEST(Sweep, StopsOnTheTokenAndTellsWhereAMediumThatVanishedStoppedAnswering) {
    test::MemorySource source(numberedSectors(100));
    std::stop_source stop;
    int batches = 0;
    const SweepOutcome stopped =
        SweepBatches(source, {0, 100}, Batches(10), stop.get_token(), [&](std::uint64_t, ByteView) {
            if (++batches == 3)
                stop.request_stop();
            return true;
        });
    EXPECT_EQ(stopped.end, SweepEnd::Stopped);
    EXPECT_EQ(stopped.next, 30u);
    EXPECT_EQ(source.reads.size(), 3u); // no batch read behind the stop

    // A visitor that says stop ends the sweep the same way.
    test::MemorySource refused(numberedSectors(100));
    const SweepOutcome ended =
        SweepBatches(refused, {0, 100}, Batches(10), {},
                     [](std::uint64_t first, ByteView) { return first < 20; });
    EXPECT_EQ(ended.end, SweepEnd::Stopped);
    EXPECT_EQ(ended.next, 30u);

    test::MemorySource vanishing(numberedSectors(100));
    vanishing.readsBeforeLoss = 4;
    std::uint64_t visited = 0;
    const SweepOutcome lost =
        SweepBatches(vanishing, {0, 100}, Batches(10), {}, [&](std::uint64_t, ByteView b) {
            visited += b.size() / kSectorBytes;
            return true;
        });
    EXPECT_EQ(lost.end, SweepEnd::MediumLost);
    EXPECT_EQ(lost.next, 40u);
    EXPECT_EQ(visited, 40u);

    test::MemorySource failing(numberedSectors(100));
    failing.badSectors = {15, 16};
    const SweepOutcome partial = SweepBatches(failing, {0, 100}, Batches(10), {},
                                              [](std::uint64_t, ByteView) { return true; });
    EXPECT_EQ(partial.end, SweepEnd::Finished);
    EXPECT_EQ(partial.partialReads, 1u);
}

} // namespace
} // namespace qr::disk
