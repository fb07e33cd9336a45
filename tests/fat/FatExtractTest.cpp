// FAT extraction on images made with mkfs.fat and mtools: chains, the contiguous rule
// for deleted files, the saving modes, a damaged first FAT, bad entries, Skip and Stop.
#include "app/ExtractCommands.h"
#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "fat/FatChains.h"
#include "fat/FatExtractClusters.h"
#include "output/FileExtraction.h"
#include "output/SaveSettings.h"
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qr::fat {
namespace {

namespace fs = std::filesystem;
using output::ExtractResult;
using test::FatImage;
using test::FatImageOptions;

class FatExtract : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    }
    FatImage& make(int bits, unsigned spc, std::uint64_t mib) {
        FatImageOptions o;
        o.fatBits = bits;
        o.sectorsPerCluster = spc;
        o.sizeMiB = mib;
        image = std::make_unique<FatImage>(dir / "card.img", o);
        return *image;
    }
    void search() { test::SearchFatImage(ctx, *image); }
    ExtractResult extract(const std::string& name, std::uint32_t size, std::uint32_t cluster,
                          bool deleted = false) {
        return app::ExtractToFile(ctx, (dir / name).string(), name, size, cluster, false, deleted);
    }
    std::string saved(const std::string& name) { return test::ReadWholeFile(dir / name); }
    // Lets the next file be placed in the first free hole (FAT32 keeps a hint).
    void forgetNextFreeHint() {
        image->writeBytes(image->volumeStart() * 512 + 512 + 492, std::string(4, '\xFF'));
    }
    // A file that fills a deleted file's hole and goes on behind the next file.
    std::string makeFragmented(const std::string& dosPath) {
        image->writeFile("::/A.BIN", test::PatternBytes(6000, 1));
        image->writeFile("::/B.BIN", test::PatternBytes(6000, 2));
        image->writeFile("::/C.BIN", test::PatternBytes(6000, 3));
        image->del("::/B.BIN");
        if (image->options().fatBits == 32)
            forgetNextFreeHint();
        const std::string content = test::PatternBytes(40000, 4);
        image->writeFile(dosPath, content);
        return content;
    }
    std::uint32_t clusterBytes() const { return ctx.activeGeometry.sectorsPerCluster * 512; }

    test::TempDir dir;
    std::unique_ptr<FatImage> image;
    app::RecoveryContext ctx;
};

TEST_F(FatExtract, DeletedFileComesFromConsecutiveClusters) {
    // 10 000 bytes in 2048-byte clusters: 5 clusters, the last one giving 1808 bytes.
    make(16, 4, 40);
    const std::string content = test::PatternBytes(10000, 7);
    image->writeFile("::/REPORT.DOC", content);
    const std::uint32_t c = image->firstCluster("::/REPORT.DOC");
    image->del("::/REPORT.DOC");
    search();
    ASSERT_EQ(clusterBytes(), 2048u);
    EXPECT_EQ(NeededClusters(10000, 2048), 5u);
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), c, ctx.activeGeometry.firstFat, 5).size(), 1u);
    const FileClusters chosen =
        ChooseFileClusters(app::FatVolumeOf(ctx), c, 5, volume::ClusterSource::Automatic);
    EXPECT_FALSE(chosen.fromChain);
    ASSERT_EQ(chosen.runs.size(), 1u);
    EXPECT_EQ(chosen.runs[0].first, c);
    EXPECT_EQ(chosen.runs[0].count, 5u);
    EXPECT_EQ(extract("_EPORT.DOC", 10000, c, true), ExtractResult::Written);
    EXPECT_EQ(saved("_EPORT.DOC"), content);
}

TEST_F(FatExtract, FragmentedLiveFileFollowsItsChainOnBothFatSizes) {
    for (int bits : {16, 32}) {
        SCOPED_TRACE(bits);
        ctx.save.settings.savingMode = output::kSavingAuto;
        make(bits, bits == 16 ? 2 : 1, bits == 16 ? 40 : 300);
        const std::string content = makeFragmented("::/D.BIN");
        const std::uint32_t c = image->firstCluster("::/D.BIN");
        search();
        ASSERT_GT(ChooseFileClusters(app::FatVolumeOf(ctx), c,
                                     NeededClusters(40000, clusterBytes()),
                                     volume::ClusterSource::Automatic)
                      .runs.size(),
                  1u)
            << "the test file should be fragmented";
        EXPECT_EQ(extract("D.BIN", 40000, c), ExtractResult::Written);
        EXPECT_EQ(saved("D.BIN"), content);
        // "Contigious" ignores the chain even for a live file.
        ctx.save.settings.savingMode = output::kSavingContiguous;
        EXPECT_EQ(extract("D2.BIN", 40000, c), ExtractResult::Written);
        EXPECT_EQ(saved("D2.BIN").size(), 40000u);
        EXPECT_NE(saved("D2.BIN"), content);
    }
}

TEST_F(FatExtract, SecondFatRescuesAFileWhoseFirstFatIsDamaged) {
    make(16, 2, 40);
    const std::string content = makeFragmented("::/D.BIN");
    const std::uint32_t c = image->firstCluster("::/D.BIN");
    search();
    const std::uint32_t needed = NeededClusters(40000, clusterBytes());
    const ClusterChain chain =
        BuildFileChain(app::FatVolumeOf(ctx), c, ctx.activeGeometry.firstFat, needed);
    ASSERT_EQ(chain.size(), needed);
    for (std::uint32_t cluster : chain) // zero the first copy's entries of the file
        image->writeBytes(std::uint64_t{ctx.activeGeometry.firstFat} * 512 + cluster * 2,
                          std::string(2, '\0'));
    ctx.reader->release();

    ctx.save.settings.savingMode = output::kSavingAuto;
    EXPECT_EQ(extract("AUTO.BIN", 40000, c), ExtractResult::Written);
    EXPECT_EQ(saved("AUTO.BIN"), content);
    ctx.save.settings.savingMode = output::kSavingFat2;
    EXPECT_EQ(extract("FAT2.BIN", 40000, c), ExtractResult::Written);
    EXPECT_EQ(saved("FAT2.BIN"), content);
    ctx.save.settings.savingMode = output::kSavingFat1;
    EXPECT_EQ(extract("FAT1.BIN", 40000, c), ExtractResult::Written);
    EXPECT_NE(saved("FAT1.BIN"), content);
}

TEST_F(FatExtract, OneClusterFileIgnoresWhatItsFatEntrySays) {
    make(32, 1, 300);
    const std::string content = test::PatternBytes(512, 9);
    image->writeFile("::/ONE.BIN", content);
    image->writeFile("::/TWO.BIN", test::PatternBytes(2048, 10));
    const std::uint32_t c = image->firstCluster("::/ONE.BIN");
    search();
    // Point the one-cluster file's entry at the other file: the chain runs long.
    const std::uint32_t other = image->firstCluster("::/TWO.BIN");
    std::string value(4, '\0');
    for (int i = 0; i < 4; ++i)
        value[i] = static_cast<char>((other >> (8 * i)) & 0xFF);
    image->writeBytes(std::uint64_t{ctx.activeGeometry.firstFat} * 512 + c * 4, value);
    ctx.reader->release();
    EXPECT_EQ(extract("ONE.BIN", 512, c), ExtractResult::Written);
    EXPECT_EQ(saved("ONE.BIN"), content);
}

TEST_F(FatExtract, BadEntriesNeverCrashNorWritePastTheEntrySize) {
    make(16, 2, 40);
    image->writeFile("::/A.BIN", test::PatternBytes(3000, 11));
    search();
    const std::uint32_t highest = HighestCluster(app::FatVolumeOf(ctx));
    for (std::uint32_t c : {0u, 1u, highest + 1, 0xFFFFFFFFu}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(extract("BAD.BIN", 1000, c), ExtractResult::Failed);
        EXPECT_FALSE(fs::exists(dir / "BAD.BIN"));
    }
    EXPECT_FALSE(ctx.save.problems.empty());
    // A size beyond the volume is written as far as the volume goes.
    EXPECT_EQ(extract("HUGE.BIN", 0xFFFFFFF0u, highest - 3), ExtractResult::Failed);
    EXPECT_EQ(fs::file_size(dir / "HUGE.BIN"), 4u * clusterBytes());
    // Size 0 gives an empty file, whatever the first cluster.
    EXPECT_EQ(extract("EMPTY.BIN", 0, 0), ExtractResult::Written);
    EXPECT_EQ(fs::file_size(dir / "EMPTY.BIN"), 0u);
}

TEST_F(FatExtract, ChainThroughGarbageIsBoundedBySize) {
    make(32, 1, 300);
    image->writeFile("::/G.BIN", test::PatternBytes(5000, 12));
    const std::uint32_t c = image->firstCluster("::/G.BIN");
    search();
    // Entries pointing far outside the FAT.
    image->writeBytes(std::uint64_t{ctx.activeGeometry.firstFat} * 512 + c * 4, "\xF0\xFF\xFF\x0A");
    ctx.reader->release();
    for (std::uint32_t mode = 0; mode < 4; ++mode) {
        ctx.save.settings.savingMode = mode;
        extract("G.BIN", 5000, c);
        EXPECT_LE(fs::file_size(dir / "G.BIN"), 5000u);
    }
}

// Sets a flag once the file's first data has been written.
class FlagAfterFirstData final : public ui::SaveProgressView {
public:
    FlagAfterFirstData(std::atomic<bool>& flag) : flag_(flag) {}
    void showSaving(const ui::SavingTexts& t) override {
        if (t.currentFile.rfind("0 /", 0) != 0)
            flag_ = true;
    }

private:
    std::atomic<bool>& flag_;
};

TEST_F(FatExtract, SkipAndStopKeepThePartWritten) {
    make(32, 8, 300);
    const std::string content = test::PatternBytes(3 << 20, 13);
    image->writeFile("::/BIG.BIN", content);
    const std::uint32_t c = image->firstCluster("::/BIG.BIN");
    search();
    const auto size = static_cast<std::uint32_t>(content.size());
    const std::string path = (dir / "BIG.BIN").string();

    FlagAfterFirstData skipper(ctx.save.skipCurrent);
    ctx.save.progress = &skipper;
    EXPECT_EQ(app::ExtractToFile(ctx, path, "BIG.BIN", size, c, true, false),
              ExtractResult::Stopped);
    EXPECT_FALSE(ctx.save.skipCurrent); // cleared for the next file
    const auto partial = fs::file_size(path);
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, content.size());
    EXPECT_EQ(saved("BIG.BIN"), content.substr(0, partial));

    FlagAfterFirstData stopper(ctx.save.stopSaving);
    ctx.save.progress = &stopper;
    EXPECT_EQ(app::ExtractToFile(ctx, path, "BIG.BIN", size, c, true, false),
              ExtractResult::Stopped);
    EXPECT_TRUE(ctx.save.stopSaving); // the save ends
    EXPECT_LT(fs::file_size(path), content.size());
    ctx.save.progress = nullptr;
}

// The program ending during a save: the file stopped half-way is removed, so nothing
// under a recovered file's name is incomplete.
TEST_F(FatExtract, StopWhileTheProgramEndsLeavesNoHalfWrittenFile) {
    make(32, 8, 300);
    const std::string content = test::PatternBytes(3 << 20, 14);
    image->writeFile("::/BIG.BIN", content);
    const std::uint32_t c = image->firstCluster("::/BIG.BIN");
    search();
    const std::string path = (dir / "BIG.BIN").string();
    ctx.save.discardPartial = true;
    FlagAfterFirstData stopper(ctx.save.stopSaving);
    ctx.save.progress = &stopper;
    EXPECT_EQ(app::ExtractToFile(ctx, path, "BIG.BIN", content.size(), c, true, false),
              ExtractResult::Stopped);
    EXPECT_FALSE(fs::exists(path));
    ctx.save.progress = nullptr;
}

TEST_F(FatExtract, OutputThatCannotBeCreatedAsksAboutTheWriteError) {
    make(16, 2, 40);
    image->writeFile("::/A.BIN", test::PatternBytes(100, 14));
    const std::uint32_t c = image->firstCluster("::/A.BIN");
    search();
    test::ScriptedWriteError question(ui::WriteErrorAnswer::Abort);
    ctx.save.writeErrorQuestion = &question;
    const std::string path = (dir / "missing" / "A.BIN").string();
    EXPECT_EQ(app::ExtractToFile(ctx, path, "A.BIN", 100, c, false, false), ExtractResult::Failed);
    ASSERT_EQ(question.asked.size(), 1u);
    EXPECT_TRUE(ctx.save.stopSaving);
    EXPECT_FALSE(ctx.save.skipCurrent);
    ctx.save.writeErrorQuestion = nullptr;
}

TEST_F(FatExtract, NeverWritesOntoTheImageItself) {
    make(16, 2, 40);
    image->writeFile("::/A.BIN", test::PatternBytes(100, 15));
    const std::uint32_t c = image->firstCluster("::/A.BIN");
    search();
    const auto before = fs::file_size(image->path());
    test::ScriptedWriteError question(ui::WriteErrorAnswer::Skip);
    ctx.save.writeErrorQuestion = &question;
    EXPECT_EQ(app::ExtractToFile(ctx, image->path().string(), "card.img", 100, c, false, false),
              ExtractResult::Failed);
    EXPECT_EQ(fs::file_size(image->path()), before);
    EXPECT_EQ(question.asked.size(), 1u);
    ctx.save.writeErrorQuestion = nullptr;
}

} // namespace
} // namespace qr::fat
