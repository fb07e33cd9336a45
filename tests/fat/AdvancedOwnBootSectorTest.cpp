// The Advanced search over the range of an intact FAT partition whose files all lie in
// its root folder (no directory head anywhere): the volume's own boot sector is enough
// to identify its file system, and the tree and files are those of the Standard search.
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qr::fat {
namespace {

class AdvancedOwnBootSector : public ::testing::TestWithParam<int> {};

TEST_P(AdvancedOwnBootSector, IdentifiesTheVolumeOfARootOnlyPartition) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    test::TempDir dir;
    test::FatImageOptions options;
    options.fatBits = GetParam();
    options.sizeMiB = GetParam() == 16 ? 16 : 40; // mkfs.fat's FAT16 has at most 65524 clusters
    options.partitioned = true;
    test::FatImage card(dir / "card.img", options);
    const std::string photo = test::PatternBytes(40000, 5);
    card.writeFile("::/PHOTO.JPG", photo);
    card.writeFile("::/NOTES.TXT", "notes");
    const std::string range = " --fs " + card.fileSystemName() + " --start " +
                              std::to_string(card.volumeStart()) + " --end " +
                              std::to_string(card.volumeStart() + card.volumeSectors());
    const std::string cli =
        std::string(RECOVERY_CLI) + " --image " + test::shellQuote(card.path().string());
    const test::CommandResult list = test::run(cli + " list --mode advanced" + range + " 2>&1");
    ASSERT_EQ(list.exitCode, 0) << list.output;
    EXPECT_EQ(list.output.find("No file system could be identified"), std::string::npos);
    EXPECT_NE(list.output.find("PHOTO.JPG\t"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("NOTES.TXT\t"), std::string::npos) << list.output;
    const test::CommandResult save =
        test::run(cli + " save --mode advanced" + range + " --to " +
                  test::shellQuote((dir / "out").string()) + " </dev/null 2>&1");
    ASSERT_EQ(save.exitCode, 0) << save.output;
    EXPECT_EQ(test::ReadWholeFile(dir / "out/PHOTO.JPG"), photo);
}

INSTANTIATE_TEST_SUITE_P(Fat, AdvancedOwnBootSector, ::testing::Values(16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });

} // namespace
} // namespace qr::fat
