// The search's read cache: what it hands back must be byte for byte what the medium
// holds, including the zeros it does not store and runs it kept from the scan.
#include "fat/FatReadCache.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace qr::fat {
namespace {

using test::MemorySource;

// 16 sectors; sector k holds a few bytes of k near its start, a byte in the middle of
// sector 3, and sector 5 ends with a non-zero byte after zeros.
MemorySource medium() {
    std::vector<unsigned char> bytes(16 * disk::kSectorBytes, 0);
    for (std::size_t k = 0; k < 16; ++k)
        bytes[k * disk::kSectorBytes] = static_cast<unsigned char>(k + 1);
    bytes[3 * disk::kSectorBytes + 300] = 0xAB;
    bytes[6 * disk::kSectorBytes - 1] = 0xCD;
    return MemorySource(std::move(bytes));
}

std::vector<unsigned char> expected(const MemorySource& m, std::uint64_t start,
                                    std::uint32_t count) {
    const auto first = m.bytes.begin() + static_cast<long>(start * disk::kSectorBytes);
    return {first, first + static_cast<long>(count * disk::kSectorBytes)};
}

TEST(FatReadCache, CachedRunsReadBackExactlyAndOnce) {
    MemorySource m = medium();
    FatReadCache cache;
    for (const auto& [start, count] :
         std::vector<std::pair<std::uint64_t, std::uint32_t>>{{0, 1}, {2, 4}, {5, 1}, {8, 8}}) {
        std::vector<unsigned char> first(count * disk::kSectorBytes, 0xEE);
        std::vector<unsigned char> again(count * disk::kSectorBytes, 0xEE);
        EXPECT_EQ(cache.read(m, start, count, first.data()), disk::ReadStatus::Complete);
        const std::size_t readsBefore = m.reads.size();
        EXPECT_EQ(cache.read(m, start, count, again.data()), disk::ReadStatus::Complete);
        EXPECT_EQ(m.reads.size(), readsBefore) << "run at " << start << " read twice";
        EXPECT_EQ(first, expected(m, start, count));
        // Stale bytes in the caller's buffer must not survive behind the stored part.
        EXPECT_EQ(again, expected(m, start, count));
    }
    // Kept trimmed: far less than the 14 sectors read.
    EXPECT_LT(cache.heldBytes(), 14u * disk::kSectorBytes);
}

TEST(FatReadCache, KeptRunsServeReadsAndFailedReadsAreNotKept) {
    MemorySource m = medium();
    FatReadCache cache;
    // A run kept from a scan answers a later read without touching the medium.
    const std::vector<unsigned char> scanned = expected(m, 3, 2);
    cache.keep(3, 2, scanned.data());
    std::vector<unsigned char> out(2 * disk::kSectorBytes, 0x11);
    EXPECT_EQ(cache.read(m, 3, 2, out.data()), disk::ReadStatus::Complete);
    EXPECT_TRUE(m.reads.empty());
    EXPECT_EQ(out, scanned);
    // The same start with another length is another run.
    std::vector<unsigned char> one(disk::kSectorBytes);
    cache.read(m, 3, 1, one.data());
    EXPECT_EQ(m.reads.size(), 1u);
    EXPECT_EQ(one, expected(m, 3, 1));

    // A bad sector: the read is passed on as it failed and asked again next time.
    m.badSectors.insert(9);
    std::vector<unsigned char> bad(disk::kSectorBytes);
    EXPECT_EQ(cache.read(m, 9, 1, bad.data()), disk::ReadStatus::Partial);
    m.badSectors.clear();
    EXPECT_EQ(cache.read(m, 9, 1, bad.data()), disk::ReadStatus::Complete);
    EXPECT_EQ(bad, expected(m, 9, 1));
}

TEST(FatReadCache, BudgetBoundsWhatIsKept) {
    // Runs without zeros cost their full size; a budget of about two keeps two.
    std::vector<unsigned char> bytes(8 * disk::kSectorBytes, 0x5A);
    MemorySource m(bytes);
    FatReadCache cache(2 * disk::kSectorBytes + 200);
    std::vector<unsigned char> out(disk::kSectorBytes);
    for (std::uint64_t s = 0; s < 4; ++s)
        cache.read(m, s, 1, out.data());
    EXPECT_LE(cache.heldBytes(), 2u * disk::kSectorBytes + 200);
    m.reads.clear();
    for (std::uint64_t s = 0; s < 4; ++s) {
        std::fill(out.begin(), out.end(), 0);
        EXPECT_EQ(cache.read(m, s, 1, out.data()), disk::ReadStatus::Complete);
        EXPECT_EQ(out, expected(m, s, 1));
    }
    EXPECT_EQ(m.reads.size(), 2u); // the two that did not fit
    cache.clear();
    EXPECT_EQ(cache.heldBytes(), 0u);
}

TEST(FatReadCache, RunsKeptInAndOutOfSectorOrderAreFoundAndWrittenOnlyWhereTheyHoldData) {
    MemorySource m = medium();
    FatReadCache cache;
    // A scan keeps runs in rising order; reads keep others, before and between them.
    for (std::uint64_t start : {4, 6, 10, 12})
        cache.keep(start, 2, expected(m, start, 2).data());
    std::vector<unsigned char> out(2 * disk::kSectorBytes);
    for (std::uint64_t start : {0, 8, 2, 14})
        cache.read(m, start, 2, out.data());
    m.reads.clear();
    // Searched from far apart and in every order, each run is found without a read.
    for (std::uint64_t start : {12, 0, 10, 4, 14, 6, 2, 8, 4, 12}) {
        std::fill(out.begin(), out.end(), 0xEE);
        EXPECT_EQ(cache.read(m, start, 2, out.data()), disk::ReadStatus::Complete);
        EXPECT_EQ(out, expected(m, start, 2)) << "run at " << start;
    }
    EXPECT_TRUE(m.reads.empty());
    // One sector longer is another run, even at a start the scan kept.
    std::vector<unsigned char> three(3 * disk::kSectorBytes);
    cache.read(m, 10, 3, three.data());
    EXPECT_EQ(m.reads.size(), 1u);
    EXPECT_EQ(three, expected(m, 10, 3));

    // Asked for what it writes, a cached run fills its sectors with data and leaves
    // the zero sectors behind them alone: run 4-5 ends with sector 5's last byte.
    std::vector<unsigned char> marked(2 * disk::kSectorBytes, 0xEE);
    std::size_t written = 0;
    cache.read(m, 4, 2, marked.data(), &written);
    EXPECT_EQ(written, 2 * disk::kSectorBytes);
    EXPECT_EQ(marked, expected(m, 4, 2));
    // A directory cluster kept by the scan with one entry in its first sector: only
    // that sector is written, the zero sector behind it is left alone.
    std::vector<unsigned char> cluster(2 * disk::kSectorBytes, 0);
    cluster[0] = 'A';
    cache.keep(40, 2, cluster.data());
    std::fill(marked.begin(), marked.end(), 0xEE);
    cache.read(m, 40, 2, marked.data(), &written);
    EXPECT_EQ(written, disk::kSectorBytes);
    EXPECT_TRUE(std::equal(marked.begin(), marked.begin() + disk::kSectorBytes, cluster.begin()));
    EXPECT_EQ(marked[disk::kSectorBytes], 0xEE);
    // A run read from the medium is written whole.
    std::vector<unsigned char> fresh(2 * disk::kSectorBytes, 0xEE);
    cache.read(m, 3, 2, fresh.data(), &written);
    EXPECT_EQ(written, 2 * disk::kSectorBytes);
    EXPECT_EQ(fresh, expected(m, 3, 2));
}

TEST(FatReadCache, ManyRunsOfSeveralLengthsAtTheSameStartsAreAllFound) {
    // Thousands of runs make the index grow many times; runs of one and of two sectors
    // share their starts.
    std::vector<unsigned char> bytes(6000 * disk::kSectorBytes, 0);
    for (std::size_t k = 0; k < 6000; ++k)
        bytes[k * disk::kSectorBytes + k % 500] = static_cast<unsigned char>(k % 251 + 1);
    MemorySource m(std::move(bytes));
    FatReadCache cache;
    for (std::uint64_t start = 0; start + 1 < 6000; start += 3) {
        cache.keep(start, 1, expected(m, start, 1).data());
        cache.keep(start, 2, expected(m, start, 2).data());
    }
    std::vector<unsigned char> out(2 * disk::kSectorBytes);
    for (std::uint64_t k = 2000; k-- > 0;)
        for (const std::uint32_t count : {2u, 1u}) {
            const std::uint64_t start = 3 * k;
            ASSERT_EQ(cache.read(m, start, count, out.data()), disk::ReadStatus::Complete);
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + count * disk::kSectorBytes,
                                   expected(m, start, count).begin()))
                << "run at " << start << " of " << count;
        }
    EXPECT_TRUE(m.reads.empty());
    // A start between the kept ones is read from the medium.
    cache.read(m, 1, 1, out.data());
    EXPECT_EQ(m.reads.size(), 1u);
}

} // namespace
} // namespace qr::fat
