// A FAT12 volume from mkfs.fat -F 12, in a partition and over a whole image: the
// partition listing, validation and the Advanced sweep name it FAT12 and say it is not
// searched; nothing is listed from its tables read as FAT16 entries.
#include "fat/FatRecognition.h"
#include "support/FatImages.h"
#include "support/TestSupport.h"
#include "volume/FileSystemKind.h"

#include <gtest/gtest.h>

namespace qr::test {
namespace {

class Fat12Volume : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        FatImageOptions o;
        o.fatBits = 12;
        o.sizeMiB = 4;
        o.sectorsPerCluster = 4;
        o.partitioned = true;
        image = std::make_unique<FatImage>(dir / "floppy.img", o);
        image->mkdir("::/DOCS");
        image->writeFile("::/DOCS/LETTER.TXT", std::string(3000, 'l'));
        image->writeFile("::/README.TXT", "read me\n");
    }
    CommandResult cli(const std::string& command) {
        return run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image->path().string()) +
                   " " + command + " </dev/null");
    }
    std::string range() const {
        return " --start " + std::to_string(image->volumeStart()) + " --end " +
               std::to_string(image->volumeStart() + image->volumeSectors());
    }
    static void expectRefusedWithNothingListed(const CommandResult& r) {
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find(fat::kFat12NotSearched), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find('\t'), std::string::npos) << "something was listed:\n" << r.output;
    }

    TempDir dir;
    std::unique_ptr<FatImage> image;
};

TEST_F(Fat12Volume, PartitionIsNamedFat12AndNotSearched) {
    const CommandResult partitions = cli("partitions");
    EXPECT_EQ(partitions.exitCode, 0) << partitions.output;
    EXPECT_NE(partitions.output.find("Partition - 1 ( FAT12 )"), std::string::npos)
        << partitions.output;
    expectRefusedWithNothingListed(cli("list --partition 1"));
    expectRefusedWithNothingListed(
        cli("save --partition 1 --to " + shellQuote((dir / "out").string())));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/README.TXT"));
}

TEST_F(Fat12Volume, GivenAsFat16ItIsNamedFat12ByValidation) {
    expectRefusedWithNothingListed(cli("list --fs FAT16" + range()));
    const CommandResult volume = cli("volume --fs FAT16" + range() + " --verbose");
    EXPECT_NE(volume.output.find(fat::kFat12NotSearched), std::string::npos) << volume.output;
}

TEST_F(Fat12Volume, AdvancedSweepNamesItFat12AndListsNothing) {
    const CommandResult r = cli("list --mode advanced --fs FAT16" + range());
    EXPECT_NE(r.output.find("FAT12"), std::string::npos) << r.output;
    expectRefusedWithNothingListed(r);
}

// Over a whole image, without a partition table: the volume is partition 1 from sector 0.
TEST(Fat12WholeImage, IsListedAsPartitionOne) {
    if (!haveFatTools())
        GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
    TempDir dir;
    const std::string image = shellQuote((dir / "bare.img").string());
    runOrFail("mkfs.fat -F 12 -C " + image + " 1440 >/dev/null");
    runOrFail("echo hello > " + shellQuote((dir / "HELLO.TXT").string()) + " && mcopy -i " + image +
              " " + shellQuote((dir / "HELLO.TXT").string()) + " ::/HELLO.TXT");
    const CommandResult r =
        run(std::string(RECOVERY_CLI) + " --image " + image + " partitions </dev/null");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Partition - 1 ( FAT12 )"), std::string::npos) << r.output;
}

} // namespace
} // namespace qr::test
