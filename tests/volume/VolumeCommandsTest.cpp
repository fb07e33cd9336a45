#include "support/TestSupport.h"
#include "support/VolumeImages.h"

#include <gtest/gtest.h>

namespace qr::volume {
namespace {

std::string cli(const std::filesystem::path& image, const std::string& args, int* exitCode) {
    const test::CommandResult r = test::run(std::string(RECOVERY_CLI) + " --image " +
                                            test::shellQuote(image.string()) + " " + args);
    *exitCode = r.exitCode;
    return r.output;
}

TEST(VolumeCommands, PartitionsAndVolumesOfARealDisk) {
    if (!test::haveTools({"sfdisk", "mkfs.fat", "mkntfs"}))
        GTEST_SKIP() << "needs sfdisk, mkfs.fat and mkntfs";
    test::TempDir dir;
    const auto image = test::makeFat32AndNtfsDisk(dir.path());
    int code = -1;
    EXPECT_EQ(cli(image, "partitions --disk 0", &code),
              "Partition - 1 ( FAT32 )\t63\t1000063\nPartition - 2 ( NTFS )\t1000188\t1228800\n");
    EXPECT_EQ(code, 0);

    const std::string fat = cli(image, "volume --disk 0 --partition 1", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(fat.find("validation=succeeded\n"), std::string::npos) << fat;
    EXPECT_NE(fat.find("partitionEnd=1000062\n"), std::string::npos) << fat;
    EXPECT_EQ(fat.find("calculation="), std::string::npos) << fat;

    const std::string ntfs = cli(image, "volume --fs NTFS --start 1000188 --end 1228800", &code);
    EXPECT_NE(ntfs.find("mftRecordSectors=2\n"), std::string::npos) << ntfs;

    // A FAT range that is not a volume: validation fails and so does the reconstruction.
    const std::string none = cli(image, "volume --fs FAT16 --start 0 --end 2000", &code);
    EXPECT_NE(none.find("validation=failed\ncalculation=failed\n"), std::string::npos) << none;
}

TEST(VolumeCommands, BadArgumentsAreRefused) {
    test::TempDir dir;
    const auto image = dir / "empty.img";
    test::runOrFail("truncate -s 1M " + test::shellQuote(image.string()));
    int code = 0;
    for (const char* args :
         {"partitions --disk x", "partitions --disk 12", "volume --disk 0",
          "volume --partition 1 --fs FAT16 --start 0 --end 9", "volume --fs EXT4 --start 0 --end 9",
          "volume --fs FAT16 --start 9 --end 9"}) {
        cli(image, args, &code);
        EXPECT_NE(code, 0) << args;
    }
    const std::string out = cli(image, "volume --partition 1", &code);
    EXPECT_NE(code, 0);
    EXPECT_NE(out.find("has no partition 1"), std::string::npos) << out;
}

// A volume with nothing on it, and one behind the end of the disk, are not an empty
// tree: each is said and the command fails.
TEST(VolumeCommands, MissingVolumeOrOneBehindTheDiskIsSaid) {
    test::TempDir dir;
    const auto image = dir / "blank.img";
    test::runOrFail("truncate -s 1M " + test::shellQuote(image.string()));
    int code = 0;
    std::string out = cli(image, "list --fs FAT16 --start 0 --end 2048", &code);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find("No folder or file was found on this volume"), std::string::npos) << out;

    out = cli(image, "list --fs FAT32 --start 5000 --end 9000", &code);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find("The volume begins at sector 5000, behind the end of the disk (2048 "
                       "sectors)."),
              std::string::npos)
        << out;
    out = cli(image,
              "save --fs FAT16 --start 2048 --end 4096 --to " +
                  test::shellQuote((dir / "out").string()),
              &code);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find("behind the end of the disk"), std::string::npos) << out;
}

} // namespace
} // namespace qr::volume
