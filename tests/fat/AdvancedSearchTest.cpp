// The advanced FAT search on media made with the real tools: volumes whose boot
// sectors or partition table are gone, two volumes on one disk, a FAT16 search over a
// FAT32 volume, and a stop half way through the sweep.
#include "AdvancedFatSupport.h"
#include "fat/PickedFileSystem.h"
#include "support/FatImages.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"

#include <gtest/gtest.h>

#include <set>

namespace qr::fat {
namespace {

using model::boot_col::Cluster0Start;
using model::boot_col::PartType;
using model::boot_col::Spc;
using volume::FileSystemKind;
namespace dc = model::dircluster_col;

constexpr std::uint32_t kNone = 0xFFFFFFFF;

class AdvancedSearch : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    }

    // The sector of every head of file system `number`.
    std::set<std::uint32_t> headsOf(std::uint32_t number) const {
        std::set<std::uint32_t> sectors;
        const model::RecordTable& dirs = tables.dirClusterTable;
        for (int i = 0; i < dirs.rowCount(); ++i)
            if (dirs.number(i, dc::FileSystem) == number)
                sectors.insert(dirs.number(i, dc::Sector));
        return sectors;
    }

    test::TempDir dir;
    model::RecordTables tables;
};

// The layout a boot sector gives, read before the sector is destroyed.
struct BootLayout {
    std::uint32_t reserved, perFat, spc, rootCluster;
};

BootLayout layoutAt(const std::filesystem::path& image, std::uint64_t sector, bool fat32) {
    const test::SectorBytes boot = test::readImageSector(image, sector);
    return {test::le16(boot, 14), fat32 ? test::le32(boot, 36) : test::le16(boot, 22), boot[13],
            fat32 ? test::le32(boot, 44) : 0};
}

TEST_F(AdvancedSearch, CardWithoutBootSectorsIsInferredFromItsDirectories) {
    test::FatImageOptions options;
    options.sizeMiB = 260; // 4 KiB clusters: enough of them for FAT32
    options.sectorsPerCluster = 8;
    options.partitioned = true;
    test::FatImage card(dir / "card.img", options);
    card.mkdir("::/DOCS");
    card.mkdir("::/DOCS/OLD");
    card.mkdir("::/PICS");
    card.writeFile("::/DOCS/letter.txt", "Dear reader");
    const std::set<std::uint32_t> clusters{card.firstCluster("::/DOCS"),
                                           card.firstCluster("::/DOCS/OLD"),
                                           card.firstCluster("::/PICS")};
    const BootLayout real = layoutAt(card.path(), 2048, true);
    card.writeBytes(2048 * 512, std::string(512, '\0'));
    card.writeBytes((2048 + 6) * 512, std::string(512, '\0'));

    test::ImageFileSource source(card.path());
    test::RecordingProgress progress;
    const FatSweepResult swept =
        SweepFatStructures(source, 0, options.sizeMiB * 2048 - 1, tables, {}, progress);
    EXPECT_EQ(swept.end, disk::SweepEnd::Finished);
    EXPECT_EQ(swept.bootSectors, 0u);
    EXPECT_EQ(swept.directories, 3u);
    EXPECT_EQ(progress.counters[volume::SearchCounter::Directories], 3u);
    EXPECT_EQ(progress.counters[volume::SearchCounter::BootSectors], 0u);
    EXPECT_EQ(progress.lastPosition, options.sizeMiB * 2048 - 1);

    ASSERT_EQ(InferFileSystems(tables, FileSystemKind::Fat32, progress), 1);
    const model::RecordTable& fs = tables.fileSystemTable;
    EXPECT_EQ(fs.cell(0, model::boot_col::Sector), "0");
    EXPECT_EQ(fs.number(0, Spc), 8u);
    EXPECT_EQ(fs.number(0, Cluster0Start), card.clusterSector(0));
    EXPECT_EQ(fs.cell(0, PartType), "FAT32");
    EXPECT_EQ(headsOf(1).size(), 3u);

    // Opening it finds both allocation tables in front of the data area.
    tables.folderTable.appendRow("Lost");
    const ActiveGeometry g = OpenPickedFileSystem(source, tables, 1, {});
    EXPECT_EQ(g.fileSystemName, "FAT32");
    EXPECT_EQ(g.firstFat, 2048 + real.reserved);
    EXPECT_EQ(g.secondFat, 2048 + real.reserved + real.perFat);
    EXPECT_EQ(g.sectorsPerFat, real.perFat);
    EXPECT_EQ(g.rootStart, real.rootCluster);
    EXPECT_EQ(g.sectorsPerCluster, 8u);
    EXPECT_EQ(g.cluster0Start, card.clusterSector(0));
    EXPECT_EQ(fs.number(0, model::boot_col::FirstFat), g.firstFat) << "written into the row";
    EXPECT_EQ(fs.number(0, model::boot_col::Spf), real.perFat);

    // The heads go in front of the Lost row, in head order.
    const model::RecordTable& folders = tables.folderTable;
    ASSERT_EQ(folders.rowCount(), 4);
    EXPECT_EQ(folders.cell(3, model::folder_col::Name), "Lost");
    std::set<std::uint32_t> selves;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(folders.cell(i, model::folder_col::Name), "DIR" + std::to_string(i));
        EXPECT_EQ(folders.cell(i, model::folder_col::Type), "FOLDER");
        EXPECT_EQ(folders.cell(i, model::folder_col::Attr), "16");
        selves.insert(folders.number(i, model::folder_col::Self));
    }
    EXPECT_EQ(selves, clusters);
}

TEST_F(AdvancedSearch, CardWithoutPartitionTableIsFoundFromItsBootSector) {
    test::FatImageOptions options;
    options.partitioned = true;
    test::FatImage card(dir / "card.img", options);
    card.mkdir("::/A");
    card.mkdir("::/A/B");
    card.mkdir("::/C");
    const BootLayout real = layoutAt(card.path(), 2048, true);
    const test::SectorBytes boot = test::readImageSector(card.path(), 2048);
    card.writeBytes(0, std::string(512, '\0'));

    test::ImageFileSource source(card.path());
    ASSERT_EQ(
        test::advancedSearch(source, tables, 0, options.sizeMiB * 2048 - 1, FileSystemKind::Fat32),
        1);
    // The boot sector and its backup copy six sectors on; the heads fit the first.
    EXPECT_EQ(tables.bootSectorTable.rowCount(), 2);
    const model::RecordTable& fs = tables.fileSystemTable;
    EXPECT_EQ(fs.cell(0, model::boot_col::Sector), "2048");
    EXPECT_EQ(fs.number(0, model::boot_col::Spf), real.perFat);
    EXPECT_EQ(fs.number(0, model::boot_col::RootStart), real.rootCluster);
    EXPECT_EQ(fs.number(0, model::boot_col::FirstFat), 2048 + real.reserved);
    EXPECT_EQ(fs.number(0, model::boot_col::TotalSectors), 2048 + test::le32(boot, 32));
    EXPECT_EQ(fs.number(0, Cluster0Start), card.clusterSector(0));
    EXPECT_EQ(headsOf(1).size(), 3u);

    const ActiveGeometry g = LoadPickedFileSystem(source, tables.fileSystemTable, 1, {});
    EXPECT_EQ(g.secondFat, 2048 + real.reserved + real.perFat);
    EXPECT_EQ(g.reservedSectors, real.reserved);
    EXPECT_EQ(g.rootSectors, 0u);
}

// FAT16 of 20 MiB (its sector count in the 16-bit field) at 2048, FAT32 of 40 MiB behind.
constexpr std::uint64_t kFat16Start = 2048, kFat16Sectors = 40960;
constexpr std::uint64_t kFat32Start = 45056, kFat32Sectors = 81920;

std::filesystem::path makeTwoVolumeDisk(const std::filesystem::path& folder) {
    const auto image = folder / "two.img";
    test::formatFat(image, 16, kFat16Start, kFat16Sectors, ">/dev/null");
    test::formatFat(image, 32, kFat32Start, kFat32Sectors, ">/dev/null 2>&1");
    test::makeFatFolders(image, kFat16Start, {"/ONE", "/ONE/SUB", "/TWO"});
    test::makeFatFolders(image, kFat32Start, {"/X", "/Y", "/Y/Z", "/Y/Z/W"});
    return image;
}

TEST_F(AdvancedSearch, TwoVolumesGiveTwoFileSystems) {
    const auto image = makeTwoVolumeDisk(dir.path());
    test::ImageFileSource source(image);
    ASSERT_EQ(
        test::advancedSearch(source, tables, 0, source.sectorCount() - 1, FileSystemKind::Fat32),
        2);
    const model::RecordTable& fs = tables.fileSystemTable;
    EXPECT_EQ(fs.cell(0, model::boot_col::Sector), std::to_string(kFat16Start));
    EXPECT_EQ(fs.cell(0, PartType), "FAT16");
    // The small volume's size comes from the 16-bit field.
    EXPECT_EQ(fs.number(0, model::boot_col::TotalSectors), kFat16Start + kFat16Sectors);
    EXPECT_EQ(fs.cell(1, model::boot_col::Sector), std::to_string(kFat32Start));
    EXPECT_EQ(fs.cell(1, PartType), "FAT32");
    const std::set<std::uint32_t> first = headsOf(1), second = headsOf(2);
    EXPECT_EQ(first.size(), 3u);
    EXPECT_EQ(second.size(), 4u);
    EXPECT_LT(*first.rbegin(), kFat32Start);
    EXPECT_GT(*second.begin(), kFat32Start);
    EXPECT_TRUE(headsOf(kNone).empty());
}

TEST_F(AdvancedSearch, StopDuringTheSweepKeepsTheFileSystemsFoundSoFar) {
    const auto image = makeTwoVolumeDisk(dir.path());
    test::ImageFileSource source(image);
    std::stop_source stop;
    test::RecordingProgress progress;
    progress.onPosition = [&](std::uint64_t position) {
        if (position >= kFat32Start)
            stop.request_stop();
    };
    const FatSweepResult swept = SweepFatStructures(source, 0, source.sectorCount() - 1, tables,
                                                    stop.get_token(), progress, 1024);
    EXPECT_EQ(swept.end, disk::SweepEnd::Stopped);
    EXPECT_LT(swept.next, kFat32Start + 1024 + 1);
    ASSERT_EQ(InferFileSystems(tables, FileSystemKind::Fat16, progress), 1);
    EXPECT_EQ(tables.fileSystemTable.cell(0, PartType), "FAT16");
    EXPECT_EQ(headsOf(1).size(), 3u);
}

TEST_F(AdvancedSearch, Fat16SearchOverFat32BeyondCluster65536ComesBackAsFat32) {
    test::FatImageOptions options;
    options.sizeMiB = 48;
    test::FatImage card(dir / "big.img", options);
    card.mkdir("::/LOW1");
    card.mkdir("::/LOW2");
    card.writeFile("::/FILLER.BIN", std::string(34u << 20, 'x'));
    card.mkdir("::/HIGH1");
    card.mkdir("::/HIGH1/DEEP");
    ASSERT_GT(card.firstCluster("::/HIGH1"), 65536u);
    const BootLayout real = layoutAt(card.path(), 0, true);
    card.writeBytes(0, std::string(512, '\0'));
    card.writeBytes(6 * 512, std::string(512, '\0'));

    test::ImageFileSource source(card.path());
    ASSERT_EQ(
        test::advancedSearch(source, tables, 0, options.sizeMiB * 2048 - 1, FileSystemKind::Fat16),
        1);
    EXPECT_EQ(tables.fileSystemTable.cell(0, PartType), "FAT32");
    EXPECT_EQ(headsOf(1).size(), 4u);

    // It goes on as FAT32; its first table lies below sector 63, right after the
    // reserved sectors of a volume that starts at sector 0.
    const ActiveGeometry g = LoadPickedFileSystem(source, tables.fileSystemTable, 1, {});
    EXPECT_EQ(g.fileSystemName, "FAT32");
    EXPECT_EQ(g.firstFat, real.reserved);
    EXPECT_EQ(g.sectorsPerFat, real.perFat);
    EXPECT_EQ(g.rootStart, 2u);
}

TEST_F(AdvancedSearch, Fat16CardWithoutBootSectorGetsItsTablesAndRootDirectory) {
    test::FatImageOptions options;
    options.fatBits = 16;
    options.sizeMiB = 32;
    options.sectorsPerCluster = 4;
    test::FatImage card(dir / "fat16.img", options);
    card.mkdir("::/A");
    card.mkdir("::/A/C");
    card.mkdir("::/B");
    const BootLayout real = layoutAt(card.path(), 0, false);
    card.writeBytes(0, std::string(512, '\0'));

    test::ImageFileSource source(card.path());
    ASSERT_EQ(
        test::advancedSearch(source, tables, 0, options.sizeMiB * 2048 - 1, FileSystemKind::Fat16),
        1);
    const ActiveGeometry g = LoadPickedFileSystem(source, tables.fileSystemTable, 1, {});
    EXPECT_EQ(g.fileSystemName, "FAT16");
    EXPECT_EQ(g.sectorsPerCluster, 4u);
    EXPECT_EQ(g.cluster0Start, card.clusterSector(0));
    EXPECT_EQ(g.firstFat, real.reserved);
    EXPECT_EQ(g.secondFat, real.reserved + real.perFat);
    EXPECT_EQ(g.rootStart, real.reserved + 2 * real.perFat);
    EXPECT_EQ(g.rootSectors, 32u);
}

} // namespace
} // namespace qr::fat

namespace qr::fat {
namespace {

// An 8 GB card with 4 KiB clusters has tables of 16,384 sectors: the window of 30,000
// sectors in front of cluster 0 holds only the second one. Here 1 GiB of 512-byte
// clusters makes tables as large.
TEST_F(AdvancedSearch, Fat32TablesLargerThanTheWindowAreFoundBelowTheDataArea) {
    test::FatImageOptions options;
    options.sizeMiB = 1024;
    options.partitioned = true;
    test::FatImage card(dir / "large.img", options);
    const BootLayout real = layoutAt(card.path(), 2048, true);
    ASSERT_GT(2 * real.perFat, 30000u);

    const int row = tables.fileSystemTable.appendRow("0");
    tables.fileSystemTable.setNumber(row, Spc, 1);
    tables.fileSystemTable.setNumber(row, Cluster0Start,
                                     static_cast<std::uint32_t>(card.clusterSector(0)));
    tables.fileSystemTable.setCell(row, PartType, "FAT32");
    test::ImageFileSource source(card.path());
    EXPECT_EQ(FindFatStarts(source, static_cast<std::uint32_t>(card.clusterSector(0)),
                            FileSystemKind::Fat32, {})
                  .found,
              1);
    const ActiveGeometry g = LoadPickedFileSystem(source, tables.fileSystemTable, 1, {});
    EXPECT_EQ(g.firstFat, 2048 + real.reserved);
    EXPECT_EQ(g.secondFat, 2048 + real.reserved + real.perFat);
    EXPECT_EQ(g.sectorsPerFat, real.perFat);
}

} // namespace
} // namespace qr::fat
