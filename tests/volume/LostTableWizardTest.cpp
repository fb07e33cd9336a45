// The wizard's partition step on disks without a usable table, with the real table
// reader, partition search and volume validation: a whole-disk volume reaches the
// browse step; the user starts and stops the partition search.
#include "app/PartitionCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/Wizard.h"
#include "disk/SectorReader.h"
#include "support/FatImages.h"
#include "support/PartitionStepSession.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"
#include "volume/PartitionSearch.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

namespace qr::volume {
namespace {

namespace item = app::item;
using test::PartitionStepSession;

TEST(LostTableWizard, WholeDiskFat32ReachesTheBrowseStepInStandardMode) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    test::TempDir dir;
    test::FatImage image(dir / "whole.img", {});
    PartitionStepSession s(image.path());
    s.toPartitionStep();
    ASSERT_EQ(s.ctx->wizardStage, 1);
    ASSERT_EQ(s.ctx->partitions[0].count, 1u);
    EXPECT_EQ(s.partitionText(1), "Partition - 1 ( FAT32 )");
    EXPECT_EQ(s.view.itemText(item::kStartSector), "0");
    EXPECT_TRUE(s.view.isShown(item::kSearchPartition));
    s.wizard->clickPartition(s.ctx->firstPartitionItem);
    s.wizard->next();
    EXPECT_EQ(s.ctx->wizardStage, 3);
    EXPECT_EQ(s.scans, 1);
    EXPECT_EQ(s.ctx->volumeParams.partitionStart, 0u);
    EXPECT_EQ(s.ctx->volumeParams.fileSystemName, "FAT32");
    EXPECT_FALSE(s.view.isShown(item::kSearchPartition));
}

TEST(LostTableWizard, ZeroedTableIsSearchedAndTheUserCanSearchAHealthyDisk) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    test::TempDir dir;
    test::FatImageOptions o;
    o.partitioned = true;
    o.partitionStart = 8192;
    test::FatImage image(dir / "card.img", o);
    {
        // Healthy: the table is read, no search runs until the user asks.
        PartitionStepSession s(image.path());
        s.toPartitionStep();
        ASSERT_EQ(s.ctx->partitions[0].count, 1u);
        EXPECT_FALSE(s.ctx->partitionSearchThread.joinable());
        EXPECT_TRUE(s.view.isEnabled(item::kSearchPartition));
        s.wizard->searchMorePartitions();
        s.waitForSearch();
        ASSERT_EQ(s.ctx->partitions[0].count, 1u);
        EXPECT_EQ(s.ctx->partitions[0].slots[1].startSector, 8192u);
        EXPECT_TRUE(s.view.isShown(item::kSearchPartition));
        EXPECT_FALSE(s.view.isShown(item::kStopSearchPartition));
    }
    test::writeImageSector(image.path(), 0, test::SectorBytes{});
    PartitionStepSession s(image.path());
    s.toPartitionStep();
    ASSERT_EQ(s.ctx->partitions[0].count, 1u);
    EXPECT_EQ(s.partitionText(1), "Partition - 1 ( FAT32 )");
    EXPECT_EQ(s.ctx->partitions[0].slots[1].startSector, 8192u);
    EXPECT_EQ(s.view.itemText(item::kStartSector), "8192");
    EXPECT_TRUE(s.view.isEnabled(item::kNext));
}

TEST(LostTableWizard, StopKeepsThePartitionsFoundAndGivesTheStepBack) {
    test::TempDir dir;
    const auto image = dir / "huge.img";
    // 512 GiB sparse: a FAT16 volume near the start, one 1 MiB-aligned near the end
    // that the stop never reaches.
    test::runOrFail("truncate -s 512G " + test::shellQuote(image.string()));
    test::formatFat(image, 16, 2048, 40000, "-s 4");
    test::formatFat(image, 16, (1ull << 30) - 1024 * 2048, 40000, "-s 4");
    PartitionStepSession s(image);
    s.toPartitionStep(false);         // the zero table sector starts the search
    s.wizard->searchMorePartitions(); // refused: one is running
    const auto began = std::chrono::steady_clock::now();
    while (s.ctx->partitions[0].count == 0 &&
           std::chrono::steady_clock::now() - began < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    s.wizard->stopPartitionSearch();
    s.waitForSearch();
    ASSERT_EQ(s.ctx->partitions[0].count, 1u);
    EXPECT_EQ(s.ctx->partitions[0].slots[1].startSector, 2048u);
    EXPECT_FALSE(app::PartitionSearchRunning(*s.ctx));
    EXPECT_TRUE(s.view.isEnabled(item::kNext));
    EXPECT_TRUE(s.view.isEnabled(item::kBack));
    EXPECT_TRUE(s.view.isShown(item::kSearchPartition));
    EXPECT_FALSE(s.view.isShown(item::kStopSearchPartition));
}

} // namespace
} // namespace qr::volume
