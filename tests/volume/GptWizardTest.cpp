// The wizard's partition step on the GPT disk made with sfdisk: every partition in the
// tree, the GPT name in the partition details, and the chosen NTFS partition validated
// from the start the table gives.
#include "support/GptImages.h"
#include "support/PartitionStepSession.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qr::volume {
namespace {

namespace item = app::item;

TEST(GptWizard, PartitionStepListsEveryPartitionWithItsGptName) {
    std::string why;
    const test::GptImage* gpt = test::GptImage::shared(&why);
    if (!gpt)
        GTEST_SKIP() << why;
    test::PartitionStepSession s(gpt->path());
    s.toPartitionStep();
    ASSERT_EQ(s.ctx->wizardStage, 1);
    ASSERT_EQ(s.ctx->partitions[0].count, gpt->volumes().size());
    for (std::size_t k = 1; k <= gpt->volumes().size(); ++k)
        EXPECT_EQ(s.partitionText(static_cast<std::uint32_t>(k)),
                  "Partition - " + std::to_string(k) + " ( " + gpt->volumes()[k - 1].fileSystem +
                      " )");
    const auto rows = s.view.listRows(item::kSummaryList);
    EXPECT_NE(std::find(rows.begin(), rows.end(), "GPT Name : FAT32 part"), rows.end());

    s.wizard->clickPartition(s.ctx->partitions[0].slots[2].treeItem);
    const auto& ntfs = gpt->volumes()[1];
    EXPECT_EQ(s.view.itemText(item::kStartSector), std::to_string(ntfs.start));
    EXPECT_EQ(s.view.itemText(item::kEndSector), std::to_string(ntfs.start + ntfs.sectors));
    const auto chosen = s.view.listRows(item::kSummaryList);
    EXPECT_NE(std::find(chosen.begin(), chosen.end(), "GPT Name : Windows data"), chosen.end());
    s.wizard->next();
    EXPECT_EQ(s.ctx->wizardStage, 3);
    EXPECT_EQ(s.scans, 1);
    EXPECT_EQ(s.ctx->volumeParams.fileSystemName, "NTFS");
    EXPECT_EQ(s.ctx->volumeParams.partitionStart, ntfs.start);
}

} // namespace
} // namespace qr::volume
