// Deleted FAT files written around live files (mtools fills the first free clusters):
// their consecutive clusters run into the live files, so the save follows the free
// clusters, as The Sleuth Kit's icat does, unless the consecutive reading ends as the
// format ends and the free one does not.
#include "app/ExtractCommands.h"
#include "app/RecoveryContext.h"
#include "fat/DeletedFileClusters.h"
#include "output/FileExtraction.h"
#include "output/SaveSettings.h"
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qr::fat {
namespace {

using output::ExtractResult;
using test::FatImage;

// A JPEG-looking file: its start and end markers around pattern bytes.
std::string jpegOf(std::size_t size, unsigned seed) {
    return "\xFF\xD8\xFF\xE0" + test::PatternBytes(size - 6, seed) + "\xFF\xD9";
}

class FragmentedDeleted : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveFatTools() || !test::haveTools({"fls", "icat"}))
            GTEST_SKIP() << "mkfs.fat, mtools, sfdisk or The Sleuth Kit missing";
    }
    void make(int bits) {
        test::FatImageOptions o;
        o.fatBits = bits;
        o.sectorsPerCluster = bits == 16 ? 2 : 1;
        o.sizeMiB = bits == 16 ? 40 : 300;
        image = std::make_unique<FatImage>(dir / ("card" + std::to_string(bits) + ".img"), o);
        ctx = std::make_unique<app::RecoveryContext>();
    }
    // The next file goes into the first free hole (FAT32 keeps a hint past the last).
    void forgetNextFreeHint() {
        if (image->options().fatBits == 32)
            image->writeBytes(image->volumeStart() * 512 + 512 + 492, std::string(4, '\xFF'));
    }
    // Live files with holes between them, then `content` written into the holes.
    void writeAroundHoles(const std::string& dosPath, const std::string& content, int files,
                          unsigned seed) {
        for (int i = 0; i < files; ++i)
            image->writeFile("::/F" + std::to_string(seed) + "_" + std::to_string(i) + ".BIN",
                             test::PatternBytes(3000, seed + i));
        for (int i = 1; i < files; i += 2)
            image->del("::/F" + std::to_string(seed) + "_" + std::to_string(i) + ".BIN");
        forgetNextFreeHint();
        image->writeFile(dosPath, content);
    }
    // fls's inode of each deleted name.
    std::map<std::string, std::string> deletedInodes() {
        std::map<std::string, std::string> inodes;
        std::istringstream lines(test::runOrFail("fls -rd -o " +
                                                 std::to_string(image->volumeStart()) + " " +
                                                 test::shellQuote(image->path().string())));
        for (std::string line; std::getline(lines, line);) {
            const auto colon = line.find(":\t");
            const auto star = line.find("* ");
            if (colon != std::string::npos && star != std::string::npos && star < colon)
                inodes[line.substr(colon + 2)] = line.substr(star + 2, colon - star - 2);
        }
        return inodes;
    }
    std::string save(const std::string& name, const std::string& original, std::uint32_t first) {
        const auto result = app::ExtractToFile(*ctx, (dir / name).string(), name, original.size(),
                                               first, true, true);
        EXPECT_EQ(result, ExtractResult::Written) << name;
        return test::ReadWholeFile(dir / name);
    }

    test::TempDir dir;
    std::unique_ptr<FatImage> image;
    std::unique_ptr<app::RecoveryContext> ctx;
};

TEST_F(FragmentedDeleted, FilesThatIcatGetsWholeAreSavedWholeOnBothFatSizes) {
    for (int bits : {16, 32}) {
        SCOPED_TRACE(bits);
        make(bits);
        struct Written {
            std::string dosName, content;
            std::uint32_t first = 0;
        };
        // A photo in three fragments, a file of no known ending in five, and one
        // written where nothing was in its way.
        std::vector<Written> files = {{"PHOTO.JPG", jpegOf(20000, 1)},
                                      {"NOTES.BIN", test::PatternBytes(17000, 2)},
                                      {"WHOLE.JPG", jpegOf(9000, 3)}};
        writeAroundHoles("::/PHOTO.JPG", files[0].content, 6, 10);
        writeAroundHoles("::/NOTES.BIN", files[1].content, 10, 30);
        image->writeFile("::/WHOLE.JPG", files[2].content);
        for (Written& f : files) {
            f.first = image->firstCluster("::/" + f.dosName);
            image->del("::/" + f.dosName);
        }
        test::SearchFatImage(*ctx, *image);
        const auto inodes = deletedInodes();
        int whole = 0;
        for (const Written& f : files) {
            SCOPED_TRACE(f.dosName);
            const std::string deletedName = "_" + f.dosName.substr(1);
            ASSERT_TRUE(inodes.count(deletedName));
            const std::string oracle =
                test::icatAt(image->path(), image->volumeStart(), inodes.at(deletedName));
            if (oracle != f.content)
                continue;
            ++whole;
            EXPECT_EQ(save(deletedName, f.content, f.first), f.content);
        }
        EXPECT_EQ(whole, 3) << "icat should get every test file whole";
        // The two read around live files are uncertain; the consecutive one of one
        // cluster run too (the contiguous rule is a guess).
        EXPECT_EQ(ctx->save.summary.uncertain, 3u);
    }
}

TEST_F(FragmentedDeleted, AConsecutiveReadingThatEndsRightIsKept) {
    make(16);
    // A deleted photo whose middle clusters a live file took afterwards: the free
    // reading would end in the clusters behind it, the consecutive one ends with the
    // photo's end marker.
    const std::string photo = jpegOf(30000, 5);
    image->writeFile("::/KEPT.JPG", photo);
    const std::vector<std::uint32_t> clusters = image->clusters("::/KEPT.JPG");
    image->writeFile("::/AFTER.BIN", test::PatternBytes(8000, 6));
    image->del("::/KEPT.JPG");
    const std::uint32_t taken = clusters[3];
    image->writeBytes(image->fatEntryOffset(taken), "\xFF\xFF");
    image->overwriteCluster(taken, 0x5A);
    test::SearchFatImage(*ctx, *image);

    const std::string saved = save("_EPT.JPG", photo, clusters[0]);
    const std::size_t clusterBytes = ctx->activeGeometry.sectorsPerCluster * 512;
    std::string expected = photo;
    expected.replace(3 * clusterBytes, clusterBytes, std::string(clusterBytes, '\x5A'));
    EXPECT_EQ(saved, expected);

    // The same bytes named as a file of no known ending follow the free clusters.
    const FileClusters free = ChooseDeletedFileClusters(
        app::FatVolumeOf(*ctx), "_EPT.BIN", photo.size(), clusters[0],
        NeededClusters(photo.size(), clusterBytes), volume::ClusterSource::Automatic);
    EXPECT_TRUE(free.aroundTaken);
    // Around the taken cluster, then on behind the file that follows the photo.
    ASSERT_EQ(free.runs.size(), 3u);
    EXPECT_EQ(free.runs[0].count, 3u);
    EXPECT_EQ(free.runs[1].first, clusters[4]);
    EXPECT_EQ(free.runs[1].count, clusters.size() - 4);
    EXPECT_EQ(free.runs[2].count, 1u);
    // The explicit contiguous mode never skips.
    const FileClusters contiguous = ChooseDeletedFileClusters(
        app::FatVolumeOf(*ctx), "_EPT.BIN", photo.size(), clusters[0],
        NeededClusters(photo.size(), clusterBytes), volume::ClusterSource::Contiguous);
    EXPECT_FALSE(contiguous.aroundTaken);
    ASSERT_EQ(contiguous.runs.size(), 1u);
}

TEST_F(FragmentedDeleted, FreeClustersStopAtTheVolumeEndAndATakenStartIsNotSkipped) {
    make(16);
    image->writeFile("::/LIVE.BIN", test::PatternBytes(4000, 7));
    test::SearchFatImage(*ctx, *image);
    const FatVolume volume = app::FatVolumeOf(*ctx);
    const std::uint32_t highest = HighestCluster(volume);
    const std::uint32_t live = image->firstCluster("::/LIVE.BIN");
    // Asked for more clusters than the volume has behind the start: as many as there are.
    const auto runs = FreeClustersFrom(volume, highest - 4, 100);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, highest - 4);
    EXPECT_EQ(runs[0].count, 5u);
    const FileClusters cut = ChooseDeletedFileClusters(volume, "X.BIN", 100u * 1024, highest - 4,
                                                       100, volume::ClusterSource::Automatic);
    EXPECT_TRUE(cut.cutShort);
    // A file whose first cluster a live file holds keeps the consecutive reading.
    const FileClusters overwritten =
        ChooseDeletedFileClusters(volume, "X.JPG", 8192, live, 4, volume::ClusterSource::Automatic);
    EXPECT_FALSE(overwritten.aroundTaken);
    ASSERT_EQ(overwritten.runs.size(), 1u);
    EXPECT_EQ(overwritten.runs[0].first, live);
}

} // namespace
} // namespace qr::fat
