// recovery-cli on a disk of 4096-byte logical sectors (FAT32, exFAT and NTFS made on
// loop devices of that sector size): as an image file, whose sector size comes from its
// table, and as the loop device itself, whose sector size the kernel gives. mmls -b 4096
// is the oracle for every start and end, which are listed in the medium's own sectors.
#include "support/LargeSectorImages.h"
#include "support/MmlsListing.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qr::volume {
namespace {

namespace fs = std::filesystem;

using test::cli;
using test::LargeSectorImage;

std::vector<std::string> mmlsPartitions(const fs::path& image) {
    return test::MmlsPartitions(image, "-b 4096 -t dos");
}

using test::ListedPartitions;

// As the table lists them, or as the search does: by the volumes' own sizes, of which
// NTFS leaves the partition's last sector out.
std::string expectedListing(const LargeSectorImage& disk, bool searched = false) {
    std::string expected;
    for (std::size_t k = 0; k < disk.volumes().size(); ++k) {
        const auto& v = disk.volumes()[k];
        const std::uint64_t end = v.start + v.sectors - (searched && v.fileSystem == "NTFS");
        expected += "Partition - " + std::to_string(k + 1) + " ( " + v.fileSystem + " )\t" +
                    std::to_string(v.start) + "\t" + std::to_string(end) + "\n";
    }
    return expected;
}

// Every live file of partition k, and the deleted one, saved byte-exact.
void expectSaved(const LargeSectorImage& disk, const fs::path& medium, std::size_t k,
                 const fs::path& out) {
    const fs::path to = out / std::to_string(k + 1);
    cli(medium, "save --disk 0 --partition " + std::to_string(k + 1) + " --replace yes-all --to " +
                    test::shellQuote(to.string()));
    for (const auto& [name, content] : disk.volumes()[k].files)
        EXPECT_TRUE(test::ReadWholeFile(to / name) == content)
            << disk.volumes()[k].fileSystem << " " << name;
    const fs::path lost = out / ("deleted-" + std::to_string(k + 1));
    cli(medium, "save --disk 0 --partition " + std::to_string(k + 1) +
                    " --deleted deleted --replace yes-all --to " + test::shellQuote(lost.string()));
    for (const auto& [name, content] : disk.volumes()[k].deleted)
        EXPECT_TRUE(test::ReadWholeFile(lost / name) == content) << lost / name;
}

const LargeSectorImage* sharedOrSkip(std::string& why) {
    return LargeSectorImage::shared(&why);
}

TEST(LargeSectorDisk, AnImageListsEveryPartitionAsMmlsDoesAndSavesItsFilesByteExact) {
    std::string why;
    const LargeSectorImage* disk = sharedOrSkip(why);
    if (!disk)
        GTEST_SKIP() << why;
    const std::string listing = cli(disk->path(), "partitions --disk 0");
    EXPECT_EQ(listing, expectedListing(*disk));
    EXPECT_EQ(ListedPartitions(listing), mmlsPartitions(disk->path()));
    test::TempDir out;
    for (std::size_t k = 0; k < disk->volumes().size(); ++k)
        expectSaved(*disk, disk->path(), k, out.path());
    const std::string details = cli(disk->path(), "details --disk 0");
    EXPECT_NE(details.find("Bytes Per Sector                         : 4096"), std::string::npos)
        << details;
}

TEST(LargeSectorDisk, ALoopDeviceOfFourKibibyteSectorsIsReadInWholeSectorsOfItsOwn) {
    std::string why;
    const LargeSectorImage* disk = sharedOrSkip(why);
    if (!disk)
        GTEST_SKIP() << why;
    const test::CommandResult loop =
        test::run("losetup -b 4096 -r -f --show " + test::shellQuote(disk->path().string()));
    if (loop.exitCode != 0)
        GTEST_SKIP() << "no loop device of 4096-byte sectors: " << loop.output;
    const fs::path device = loop.output.substr(0, loop.output.find('\n'));
    EXPECT_EQ(cli(device, "partitions --disk 0"), expectedListing(*disk));
    test::TempDir out;
    for (std::size_t k = 0; k < disk->volumes().size(); ++k)
        expectSaved(*disk, device, k, out.path());
    test::run("losetup -d " + test::shellQuote(device.string()));
}

TEST(LargeSectorDisk, ThePartitionSearchOfAZeroedTableFindsEveryVolumeInTheMediumsSectors) {
    std::string why;
    const LargeSectorImage* disk = sharedOrSkip(why);
    if (!disk)
        GTEST_SKIP() << why;
    test::TempDir dir;
    const fs::path copy = dir / "no-table.img";
    disk->copyWithoutTable(copy);
    EXPECT_EQ(cli(copy, "partitions --disk 0"), expectedListing(*disk, true));
    EXPECT_EQ(cli(copy, "partitions --disk 0 --search"), expectedListing(*disk, true));
    // A table read first and then searched anyway keeps its medium's sector size.
    EXPECT_EQ(cli(disk->path(), "partitions --disk 0 --search"), expectedListing(*disk, true));
    expectSaved(*disk, copy, 0, dir / "out");
}

TEST(LargeSectorDisk, ABootSectorContradictingTheMediumIsSaidAndTheOthersStayListed) {
    std::string why;
    const LargeSectorImage* disk = sharedOrSkip(why);
    if (!disk)
        GTEST_SKIP() << why;
    test::TempDir dir;
    const fs::path copy = dir / "contradicting.img";
    test::runOrFail("cp --sparse=always " + test::shellQuote(disk->path().string()) + " " +
                    test::shellQuote(copy.string()));
    // The FAT32 boot sector now says 512 bytes per sector.
    {
        std::fstream f(copy, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(static_cast<std::streamoff>(disk->volumes()[0].start * 4096 + 11));
        const char bytes[2] = {0x00, 0x02};
        f.write(bytes, 2);
    }
    const std::string details = cli(copy, "details --disk 0");
    EXPECT_NE(details.find("partition 1 ( FAT32 ): its boot sector gives 512 bytes per sector, "
                           "the medium has 4096"),
              std::string::npos)
        << details;
    EXPECT_EQ(cli(copy, "partitions --disk 0"), expectedListing(*disk));
    // The volume is read by its own word, within bounds: the command ends.
    const test::CommandResult listed =
        test::run("timeout 120 " + std::string(RECOVERY_CLI) + " --image " +
                  test::shellQuote(copy.string()) + " list --disk 0 --partition 1 </dev/null");
    EXPECT_NE(listed.exitCode, 124) << "the search of the contradicting volume did not end";
    expectSaved(*disk, copy, 1, dir / "out");
}

// The Advanced NTFS search over the NTFS partition: the sweep takes its 4096-byte
// records whole, the volume is found by its boot sector, and every file fls lists
// (live ones and the deleted ones) is listed; live files save byte-exact.
TEST(LargeSectorDisk, TheAdvancedNtfsSearchReadsRecordsOfFourKibibytes) {
    std::string why;
    const LargeSectorImage* disk = sharedOrSkip(why);
    if (!disk)
        GTEST_SKIP() << why;
    const auto& v = disk->volumes()[2];
    ASSERT_EQ(v.fileSystem, "NTFS");
    const std::string range = " --disk 0 --mode advanced --fs NTFS --start " +
                              std::to_string(v.start) + " --end " +
                              std::to_string(v.start + v.sectors);
    const std::string listing = cli(disk->path(), "list" + range + " 2>/dev/null");
    for (const auto& [name, content] : v.files)
        EXPECT_NE(listing.find("\n" + name + "\t"), std::string::npos) << name << "\n" << listing;
    const std::string fls = test::run("fls -b 4096 -o " + std::to_string(v.start) + " -r -p " +
                                      test::shellQuote(disk->path().string()))
                                .output;
    std::istringstream lines(fls);
    int deleted = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(line.find('\t') + 1);
        // Files, live and deleted ones ("-/r *"), not the volume's own.
        if ((line.rfind("r/r", 0) != 0 && line.rfind("-/r", 0) != 0) ||
            name.find('$') != std::string::npos)
            continue;
        const bool gone = line.find(" * ") != std::string::npos;
        deleted += gone;
        const std::string shown = name.substr(name.rfind('/') + 1);
        EXPECT_NE(listing.find(shown + (gone ? "\tDeleted" : "\t")), std::string::npos) << line;
    }
    EXPECT_EQ(deleted, static_cast<int>(v.deleted.size())) << fls;

    test::TempDir out;
    cli(disk->path(),
        "save" + range + " --to " + test::shellQuote(out.path().string()) + " 2>/dev/null");
    for (const auto& [name, content] : v.files)
        EXPECT_TRUE(test::ReadWholeFile(out.path() / name) == content) << name;
}

// FAT32 of 4096-byte sectors keeps its backup boot sector six of those sectors in: with
// the boot sector zeroed, the volume is read from it, through the table and through
// the partition search of the medium the table gives the sector size of.
TEST(LargeSectorDisk, AFat32VolumeWithoutItsBootSectorIsReadFromItsBackup) {
    std::string why;
    const LargeSectorImage* disk = sharedOrSkip(why);
    if (!disk)
        GTEST_SKIP() << why;
    const auto& fat = disk->volumes()[0];
    ASSERT_EQ(fat.fileSystem, "FAT32");
    test::TempDir dir;
    const fs::path copy = dir / "no-boot.img";
    test::runOrFail("cp --sparse=always " + test::shellQuote(disk->path().string()) + " " +
                    test::shellQuote(copy.string()));
    {
        std::fstream f(copy, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(static_cast<std::streamoff>(fat.start * LargeSectorImage::kSectorBytes));
        const std::string zeros(LargeSectorImage::kSectorBytes, '\0');
        f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    EXPECT_EQ(cli(copy, "partitions --disk 0"), expectedListing(*disk));
    EXPECT_EQ(cli(copy, "partitions --disk 0 --search"), expectedListing(*disk, true));
    expectSaved(*disk, copy, 0, dir / "out");
}

} // namespace
} // namespace qr::volume
