#include "volume/VolumeValidation.h"
#include "app/PartitionCommands.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"
#include "volume/VolumeParams.h"

#include <cstring>
#include <gtest/gtest.h>

namespace qr::volume {
namespace {

using test::SectorBytes;
using test::SparseDisk;

struct ImageVolume {
    ImageVolume(const std::filesystem::path& image, const std::string& fs, std::uint64_t start,
                std::uint64_t behind)
        : t(std::make_shared<disk::PosixDeviceOpener>(), image.string()) {
        t.ctx->volumeParams.fileSystemName = fs;
        t.ctx->volumeParams.partitionStart = start;
        t.ctx->volumeParams.partitionEnd = behind - 1;
    }
    VolumeParams& p() { return t.ctx->volumeParams; }
    test::VolumeTestContext t;
};

// The layout a FAT boot sector states, for comparison.
struct FatTruth {
    std::uint32_t spc, reserved, spf, rootSectors, rootCluster;
};

FatTruth fatTruth(const std::filesystem::path& image, std::uint64_t start, bool fat32) {
    const SectorBytes b = test::readImageSector(image, start);
    return {b[0x0D], test::le16(b, 0x0E), fat32 ? test::le32(b, 0x24) : test::le16(b, 0x16),
            fat32 ? 0u : test::le16(b, 0x11) / 16u, fat32 ? test::le32(b, 0x2C) : 0u};
}

void expectLayout(const VolumeParams& p, const FatTruth& f, std::uint64_t start) {
    EXPECT_EQ(p.sectorsPerCluster, f.spc);
    EXPECT_EQ(p.reservedSectors, f.reserved);
    EXPECT_EQ(p.sectorsPerFat, f.spf);
    EXPECT_EQ(p.firstFat, start + f.reserved);
    EXPECT_EQ(p.secondFat, start + f.reserved + f.spf);
    EXPECT_EQ(p.cluster0Start, start + f.reserved + 2 * f.spf + f.rootSectors - 2 * f.spc);
}

bool haveFatTools() {
    return test::haveTools({"mkfs.fat", "mmd"});
}

TEST(ValidateVolume, Fat32FromTheBackupWhenTheBootSectorIsZeroed) {
    if (!haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat";
    test::TempDir dir;
    const auto image = dir / "v.img";
    test::formatFat(image, 32, 63, 300000);
    const FatTruth truth = fatTruth(image, 63, true);
    test::writeImageSector(image, 63, SectorBytes{});
    ImageVolume v(image, "FAT32", 63, 300063);
    v.t.ctx->tables.folderTable.appendRow("left over");
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 1);
    expectLayout(v.p(), truth, 63);
    EXPECT_EQ(v.p().rootStart, truth.rootCluster);
    EXPECT_EQ(v.p().rootSectors, 0u);
    EXPECT_EQ(v.t.ctx->tables.folderTable.rowCount(), 0);
    EXPECT_EQ(v.t.window.text(app::item::kProgressCaption), "Validating Partition ...");
}

TEST(ValidateVolume, Fat32WithMoreThan65535SectorsPerFat) {
    if (!haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat";
    test::TempDir dir;
    const auto image = dir / "big.img";
    // 512-byte clusters over 4.5 GB: about 70,000 sectors per FAT.
    const std::uint64_t sectors = 9000000;
    test::formatFat(image, 32, 2048, sectors, "-s 1");
    const FatTruth truth = fatTruth(image, 2048, true);
    ASSERT_GT(truth.spf, 65535u);
    ImageVolume v(image, "FAT32", 2048, 2048 + sectors);
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 1);
    expectLayout(v.p(), truth, 2048);
}

TEST(ValidateVolume, Fat16WithMediaByteF0FailsAndIsReconstructed) {
    if (!haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    test::TempDir dir;
    const auto image = dir / "f0.img";
    test::formatFat(image, 16, 63, 100000, "-M 0xF0 -R 1 -r 512 -s 4 -a");
    test::makeFatFolders(image, 63, {"/DOCS", "/PICS", "/DOCS/OLD"});
    const FatTruth truth = fatTruth(image, 63, false);
    ImageVolume v(image, "FAT16", 63, 100063);
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 0);
    EXPECT_EQ(CalculateVolumeParams(*v.t.ctx), 1);
    expectLayout(v.p(), truth, 63);
    EXPECT_EQ(v.p().rootSectors, 32u);
    EXPECT_EQ(v.p().rootStart, 63 + 1 + 2 * truth.spf);
}

TEST(ValidateVolume, Fat16ValidatesFromItsBootSector) {
    if (!haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat";
    test::TempDir dir;
    const auto image = dir / "f16.img";
    test::formatFat(image, 16, 128, 120000);
    const FatTruth truth = fatTruth(image, 128, false);
    ImageVolume v(image, "FAT16", 128, 120128);
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 1);
    expectLayout(v.p(), truth, 128);
    EXPECT_EQ(v.p().rootStart, 128 + truth.reserved + 2 * truth.spf);
}

// Every layout mkfs.fat makes validates; the same boot sectors with a root-entry count
// that runs the root area into the data area are refused, and the reason says so.
TEST(ValidateVolume, Fat16RootAreaRunningIntoTheDataAreaIsRefused) {
    if (!haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat";
    struct Layout {
        std::uint64_t sectors;
        const char* options;
    };
    for (const Layout& l :
         {Layout{131072, "-s 4"}, Layout{60000, "-s 1 -r 512"}, Layout{70000, "-s 2 -r 1024"},
          Layout{400000, "-s 8"}, Layout{1000000, "-s 16 -r 224"}, Layout{2000000, "-s 64"}}) {
        SCOPED_TRACE(l.options + std::string(" over ") + std::to_string(l.sectors));
        test::TempDir dir;
        const auto image = dir / "f16.img";
        test::formatFat(image, 16, 0, l.sectors, l.options);
        {
            ImageVolume v(image, "FAT16", 0, l.sectors);
            std::string why;
            EXPECT_EQ(ValidateVolume(*v.t.ctx, &why), 1) << why;
        }
        SectorBytes boot = test::readImageSector(image, 0);
        const std::uint16_t spc = boot[0x0D];
        // 0xFFFF is no whole number of sectors; 0xFFF0 fills 4095 sectors, far more than
        // the tables leave room for when clusters are small.
        for (std::uint16_t entries : {std::uint16_t{0xFFFF}, std::uint16_t{0xFFF0}}) {
            if (entries == 0xFFF0 && spc > 2)
                continue;
            boot[0x11] = static_cast<unsigned char>(entries & 0xFF);
            boot[0x12] = static_cast<unsigned char>(entries >> 8);
            test::writeImageSector(image, 0, boot);
            ImageVolume v(image, "FAT16", 0, l.sectors);
            std::string why;
            EXPECT_EQ(ValidateVolume(*v.t.ctx, &why), 0) << entries;
            EXPECT_NE(why.find("root"), std::string::npos) << why;
        }
    }
}

// The worked layout: volume at 63, 1 reserved sector, two tables of 245 sectors, a
// 32-sector root and 4 sectors per cluster; directories of clusters 5 and 9.
TEST(CalculateVolumeParams, Fat16FromTwoDirectoryPositions) {
    SparseDisk disk(300000);
    disk.at(64)[0] = 0xF8;
    disk.at(64)[1] = 0xFF;
    auto directory = [&](std::uint64_t sector, std::uint16_t cluster) {
        SectorBytes& s = disk.at(sector);
        std::memcpy(s.data(), ".          ", 11);
        std::memcpy(s.data() + 0x20, "..         ", 11);
        std::memcpy(s.data() + 0x1A, &cluster, 2);
    };
    directory(598, 5);
    directory(614, 9);
    test::VolumeTestContext t(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()));
    VolumeParams& p = t.ctx->volumeParams;
    p.fileSystemName = "FAT16";
    p.partitionStart = 63;
    p.partitionEnd = 250000;
    EXPECT_EQ(CalculateVolumeParams(*t.ctx), 1);
    EXPECT_EQ(p.sectorsPerCluster, 4u);
    EXPECT_EQ(p.cluster0Start, 578u);
    EXPECT_EQ(p.sectorsPerFat, 245u);
    EXPECT_EQ(p.reservedSectors, 1u);
    EXPECT_EQ(p.firstFat, 64u);
    EXPECT_EQ(p.secondFat, 309u);
    EXPECT_EQ(p.rootStart, 554u);
    EXPECT_EQ(t.window.text(app::item::kProgressCaption), "Calculating Partition Params...");

    // With the second directory gone, the anchor alone gives nothing.
    disk.at(614) = {};
    EXPECT_EQ(CalculateVolumeParams(*t.ctx), 0);
    EXPECT_FALSE(t.window.progress(app::item::kProgressBar).empty());
}

TEST(CalculateVolumeParams, Fat32ImageReconstructed) {
    if (!haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    test::TempDir dir;
    const auto image = dir / "r32.img";
    // Enough clusters that mtools takes it for FAT32 too.
    test::formatFat(image, 32, 2048, 1200000, "-R 32 -s 8");
    test::makeFatFolders(image, 2048, {"/A", "/B", "/C"});
    const FatTruth truth = fatTruth(image, 2048, true);
    ImageVolume v(image, "FAT32", 2048, 1202048);
    EXPECT_EQ(CalculateVolumeParams(*v.t.ctx), 1);
    expectLayout(v.p(), truth, 2048);
    EXPECT_EQ(v.p().rootStart, 2u);
}

TEST(CalculateVolumeParams, NtfsIsNotReconstructed) {
    SparseDisk disk(1000);
    test::VolumeTestContext t(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()));
    t.ctx->volumeParams.fileSystemName = "NTFS";
    t.ctx->volumeParams.partitionEnd = 999;
    EXPECT_EQ(CalculateVolumeParams(*t.ctx), 0);
}

TEST(ValidateVolume, AbsurdFatFieldsAreNotValidated) {
    SparseDisk disk(100000);
    SectorBytes& boot = disk.at(0);
    boot[0x1FE] = 0x55;
    boot[0x1FF] = 0xAA;
    boot[0] = 0xF8; // an allocation table "found" at the boot sector itself
    test::VolumeTestContext t(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()));
    t.ctx->volumeParams.partitionEnd = 99999;
    for (const char* fs : {"FAT16", "FAT32", "NTFS", "EXT4"}) {
        t.ctx->volumeParams.fileSystemName = fs;
        EXPECT_EQ(ValidateVolume(*t.ctx), 0) << fs;
    }
}

// Without a medium every file system is refused with a reason, never read through a
// missing source.
TEST(ValidateVolume, NoMediumIsRefusedForEveryFileSystem) {
    for (const char* fs : {"FAT16", "FAT32", "NTFS", "exFAT", ""}) {
        VolumeParams params;
        params.fileSystemName = fs;
        params.partitionEnd = 99999;
        std::string why;
        EXPECT_EQ(ValidateVolume(nullptr, params, &why), 0) << fs;
        EXPECT_FALSE(why.empty()) << fs;
    }
}

bool haveNtfsTools() {
    return test::haveTools({"mkntfs"});
}

struct NtfsImage {
    explicit NtfsImage(const std::string& options) {
        image = dir / "n.img";
        test::runOrFail("truncate -s " + std::to_string((start + sectors) * 512) + " " +
                        test::shellQuote(image.string()));
        test::formatNtfs(image, start, sectors, options);
        const SectorBytes b = test::readImageSector(image, start);
        mft = start + b[0x0D] * static_cast<std::uint64_t>(test::le32(b, 0x30));
        mirror = start + b[0x0D] * static_cast<std::uint64_t>(test::le32(b, 0x38));
    }
    test::TempDir dir;
    std::filesystem::path image;
    std::uint64_t start = 2048, sectors = 400000, mft = 0, mirror = 0;
};

TEST(ValidateVolume, NtfsRecordSizesAndTables) {
    if (!haveNtfsTools())
        GTEST_SKIP() << "needs mkntfs";
    NtfsImage n("-c 8192"); // 1024-byte records (0xF6), 4096-byte index records (0xF4)
    ImageVolume v(n.image, "NTFS", n.start, n.start + n.sectors);
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 1);
    EXPECT_EQ(v.p().sectorsPerCluster, 16u);
    EXPECT_EQ(v.p().mftRecordSectors, 2u);
    EXPECT_EQ(v.p().indexRecordSectors, 8u);
    EXPECT_EQ(v.p().mftStart, n.mft);
    EXPECT_EQ(v.p().mftMirrorStart, n.mirror);
    EXPECT_EQ(v.p().cluster0Start, n.start);
}

TEST(ValidateVolume, NtfsFromTheBackupAndWithoutItsMft) {
    if (!haveNtfsTools())
        GTEST_SKIP() << "needs mkntfs";
    NtfsImage n("");
    test::writeImageSector(n.image, n.start, SectorBytes{});
    test::writeImageSector(n.image, n.mft, SectorBytes{});
    ImageVolume v(n.image, "NTFS", n.start, n.start + n.sectors);
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 1);
    EXPECT_EQ(v.p().mftStart, 0u);
    EXPECT_EQ(v.p().mftMirrorStart, n.mirror);
    EXPECT_EQ(v.p().mftRecordSectors, 2u);

    test::writeImageSector(n.image, n.mirror, SectorBytes{});
    EXPECT_EQ(ValidateVolume(*v.t.ctx), 0);
}

} // namespace
} // namespace qr::volume
