// A deleted chained exFAT file whose FAT chain is gone, on a tiny volume with an
// allocation bitmap: consecutive clusters where they are free, the free clusters around
// the ones the bitmap marks taken, and the consecutive reading again when only it ends
// as the file's format ends.
#include "TinyVolume.h"
#include "exfat/AllocationBitmap.h"
#include "exfat/DeletedStreamClusters.h"
#include "support/StringSink.h"

#include <gtest/gtest.h>

namespace qr::exfat {
namespace {

using test::TinyVolume;

constexpr std::uint32_t kBitmapCluster = 3;

class ExfatFragmentedDeleted : public ::testing::Test {
protected:
    void SetUp() override {
        // The root (cluster 2) names the bitmap in cluster 3.
        std::vector<unsigned char> entry(32, 0);
        entry[0] = 0x81;
        entry[20] = kBitmapCluster;
        entry[24] = test::kClusters / 8;
        tiny.put(2, 0, entry);
        tiny.setFat(kBitmapCluster, 0xFFFFFFFF);
        take(2);
        take(kBitmapCluster);
    }
    void take(std::uint32_t cluster) {
        bits[(cluster - 2) / 8] |= static_cast<unsigned char>(1u << ((cluster - 2) % 8));
        tiny.put(kBitmapCluster, 0, bits);
    }
    // A cluster of `c` with `tail` as its last bytes.
    void fillEnding(std::uint32_t cluster, char c, const std::string& tail = "") {
        std::vector<unsigned char> bytes(512, static_cast<unsigned char>(c));
        std::copy(tail.begin(), tail.end(), bytes.end() - static_cast<long>(tail.size()));
        tiny.put(cluster, 0, bytes);
    }
    StreamPlace place(const std::string& name, const FileRef& file) {
        FatTable fat(tiny.source, tiny.geometry());
        const AllocationBitmap bitmap = AllocationBitmap::Load(tiny.source, tiny.geometry(), fat);
        return PlaceDeletedStream(tiny.source, fat, tiny.geometry(), bitmap, name, file);
    }
    std::string extracted(const std::string& name, const FileRef& file) {
        qr::test::StringSink sink;
        WriteExfatStream(tiny.source, tiny.geometry(), place(name, file), file, sink);
        return sink.data;
    }

    TinyVolume tiny;
    std::vector<unsigned char> bits = std::vector<unsigned char>(test::kClusters / 8, 0);
};

TEST_F(ExfatFragmentedDeleted, ThePhotoFollowsTheFreeClustersAroundALiveFile) {
    // Photo clusters 40, 41, then a live file in 42-43, then the photo's 44-46.
    for (std::uint32_t c : {40u, 41u, 44u, 45u})
        fillEnding(c, 'P');
    fillEnding(46, 'P', "\xFF\xD9");
    fillEnding(42, 'L');
    fillEnding(43, 'L');
    take(42);
    take(43);
    // The bitmap, shorter than a sector, is read whole.
    FatTable fat(tiny.source, tiny.geometry());
    const AllocationBitmap bitmap = AllocationBitmap::Load(tiny.source, tiny.geometry(), fat);
    EXPECT_TRUE(bitmap.taken(42));
    EXPECT_FALSE(bitmap.taken(44));
    const FileRef photo{40, 5 * 512, 5 * 512, false, true};
    const StreamPlace free = place("p.jpg", photo);
    ASSERT_EQ(free.runs.size(), 2u);
    EXPECT_EQ(free.runs[1].first, 44u);
    EXPECT_EQ(free.clusters, 5u);
    EXPECT_TRUE(free.guessed);
    EXPECT_EQ(extracted("p.jpg", photo),
              std::string(4 * 512, 'P') + std::string(510, 'P') + "\xFF\xD9");
    // No ending known: the free reading too.
    EXPECT_EQ(place("p.bin", photo).runs.size(), 2u);
    // Written without a FAT chain, it was consecutive: it stays so.
    const StreamPlace consecutive = place("p.jpg", {40, 5 * 512, 5 * 512, true, true});
    ASSERT_EQ(consecutive.runs.size(), 1u);
    EXPECT_EQ(consecutive.runs[0].count, 5u);
    // A live file is never read around anything.
    EXPECT_EQ(place("p.jpg", {40, 5 * 512, 5 * 512, false, false}).runs.size(), 1u);
}

TEST_F(ExfatFragmentedDeleted, OnlyAConsecutiveReadingThatEndsRightOverrulesTheFreeOne) {
    // The photo's last cluster lies where the consecutive reading ends (43), a live file
    // took 42 afterwards.
    for (std::uint32_t c : {40u, 41u, 42u})
        fillEnding(c, 'P');
    fillEnding(43, 'P', "\xFF\xD9");
    take(42);
    const FileRef photo{40, 4 * 512, 4 * 512, false, true};
    const StreamPlace kept = place("p.jpg", photo);
    ASSERT_EQ(kept.runs.size(), 1u);
    EXPECT_EQ(kept.runs[0].count, 4u);
    // When the free reading ends right too, it wins.
    fillEnding(44, 'P', "\xFF\xD9");
    EXPECT_EQ(place("p.jpg", photo).runs.size(), 2u);
}

TEST_F(ExfatFragmentedDeleted, TheFreeReadingStopsAtTheHeapEndAndATakenStartIsLeftAlone) {
    const std::uint32_t last = test::kClusters + 1;
    take(last - 1);
    const FileRef nearEnd{last - 3, 10 * 512, 10 * 512, false, true};
    const StreamPlace cut = place("x.bin", nearEnd);
    EXPECT_TRUE(cut.cutShort);
    EXPECT_LE(cut.clusters, 3u);
    for (const ClusterRun& run : cut.runs)
        EXPECT_LE(std::uint64_t{run.first} + run.count - 1, last);
    // The first cluster taken: the start is gone, no reading around is tried.
    take(60);
    take(61);
    EXPECT_EQ(place("x.bin", {60, 3 * 512, 3 * 512, false, true}).runs.size(), 1u);
    // Bitmap clusters past the bitmap's bytes count as taken.
    const AllocationBitmap none;
    EXPECT_TRUE(PlaceInFreeClusters(tiny.geometry(), none, 40, 4).runs.empty());
}

} // namespace
} // namespace qr::exfat
