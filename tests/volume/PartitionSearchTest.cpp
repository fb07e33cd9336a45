#include "volume/PartitionSearch.h"
#include "app/PartitionCommands.h"
#include "disk/SectorReader.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"
#include "volume/PartitionTree.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>

namespace qr::volume {
namespace {

using test::SectorBytes;
using test::SparseDisk;

void put16(SectorBytes& s, std::size_t at, std::uint16_t v) {
    std::memcpy(s.data() + at, &v, 2);
}
void put32(SectorBytes& s, std::size_t at, std::uint32_t v) {
    std::memcpy(s.data() + at, &v, 4);
}
void put64(SectorBytes& s, std::size_t at, std::uint64_t v) {
    std::memcpy(s.data() + at, &v, 8);
}

// A boot sector whose layout fields are plausible: 512-byte sectors, 8 sectors per
// cluster, 32 reserved sectors, two FATs of 100 sectors (NTFS: MFT at cluster 4).
void bootSector(SectorBytes& s, FileSystemKind kind, std::uint64_t size) {
    put16(s, 0x0B, 512);
    s[0x0D] = 8;
    if (kind == FileSystemKind::Ntfs) {
        std::memcpy(s.data() + 3, "NTFS    ", 8);
        put64(s, 0x28, size);
        put64(s, 0x30, 4);
        put64(s, 0x38, 2);
    } else {
        put16(s, 0x0E, 32);
        s[0x10] = 2;
        put32(s, 0x20, static_cast<std::uint32_t>(size));
        if (kind == FileSystemKind::Fat32) {
            std::memcpy(s.data() + 0x52, "FAT32   ", 8);
            put32(s, 0x24, 100);
            put32(s, 0x2C, 2);
            put16(s, 0x32, 6);
        } else {
            std::memcpy(s.data() + 0x36, "FAT16   ", 8);
            put16(s, 0x16, 100);
            put16(s, 0x11, 512);
        }
    }
    s[0x1FE] = 0x55;
    s[0x1FF] = 0xAA;
}

// Runs the wizard's partition step (which wires the search to the read-failure notice).
void searchAfterFailedTableRead(test::VolumeTestContext& t) {
    t.ctx->wizardStage = 0;
    t.ctx->searchMode = app::kSearchStandard;
    CreatePartitionTree(*t.ctx);
    ASSERT_TRUE(t.ctx->partitionSearchThread.joinable()) << "the failed read started no search";
    t.ctx->partitionSearchThread.join();
}

std::shared_ptr<disk::DeviceOpener> failingSectorZero(std::shared_ptr<disk::DeviceOpener> inner) {
    return std::make_shared<test::FailingSectorsOpener>(std::move(inner),
                                                        std::set<std::uint64_t>{0});
}

TEST(PartitionSearch, GeometryIsNormalisedUnlessItHas63SectorsPerTrack) {
    const SearchGeometry g = NormaliseGeometry(1024, 32, 16);
    EXPECT_EQ(g.cylinders, 32u);
    EXPECT_EQ(g.heads, 255u);
    EXPECT_EQ(g.sectorsPerTrack, 63u);
    const SearchGeometry kept = NormaliseGeometry(500, 63, 16);
    EXPECT_EQ(kept.cylinders, 500u);
    EXPECT_EQ(kept.heads, 16u);
    EXPECT_EQ(NormaliseGeometry(0xFFFFFFFFull, 0xFFFFFFFFull, 0xFFFFFFFFull).cylinders,
              0xFFFFFFFFull); // no overflow in the product
}

TEST(PartitionSearch, FindsVolumesAtCylinderBoundariesInCylinderOrder) {
    SparseDisk disk(200 * 16065ull);
    bootSector(disk.at(63), FileSystemKind::Fat32, 500000);
    // At cylinder 100 only the cylinder's first sector holds a boot sector.
    bootSector(disk.at(100 * 16065ull), FileSystemKind::Fat16, 20000);
    bootSector(disk.at(150 * 16065ull + 63), FileSystemKind::Ntfs, 7777);
    std::memcpy(disk.at(0).data() + 0x1BE, "garbage table...", 16);
    test::VolumeTestContext t(failingSectorZero(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors())));
    t.setGeometry(6275, 16, 32); // 199 cylinders of 255 x 63 once normalised
    searchAfterFailedTableRead(t);

    const DiskPartitionRecord& r = t.ctx->partitions[0];
    ASSERT_EQ(r.count, 3u);
    EXPECT_EQ(t.ctx->partitionTree.text(r.slots[1].treeItem), "Partition - 1 ( FAT32 )");
    EXPECT_EQ(r.slots[1].endSector, 63u + 500000u);
    EXPECT_EQ(t.ctx->partitionTree.text(r.slots[2].treeItem), "Partition - 2 ( FAT16 )");
    EXPECT_EQ(r.slots[2].startSector, 100 * 16065u);
    EXPECT_EQ(r.slots[2].endSector, r.slots[2].startSector + 20000);
    EXPECT_EQ(r.fileSystemNames[2], "NTFS");
    EXPECT_EQ(r.slots[3].endSector, 150 * 16065u + 63 + 7777);
    EXPECT_EQ(t.ctx->firstPartitionItem, r.slots[1].treeItem);

    EXPECT_EQ(t.window.selected(app::item::kPartitionType), 1);
    EXPECT_EQ(t.window.text(app::item::kStartSector), "63");
    EXPECT_EQ(t.window.progress(app::item::kProgressBar).back(), 100);
    EXPECT_EQ(t.window.enabled(app::item::kNext), true);
    EXPECT_TRUE(t.window.sawText(app::item::kProgressCaption, "Searching Partition..."));
    EXPECT_EQ(t.window.text(app::item::kStatusLine),
              "Select the partition to recover from left panel and then click on next button or "
              "click on back button for select another disk.");
    EXPECT_FALSE(PartitionSearchRunning(*t.ctx));
}

TEST(PartitionSearch, ForgetsWhatTheTableListedAndLeavesNoStaleTreeItems) {
    SparseDisk disk(40 * 16065ull);
    // The table lists one partition, then the read of its first logical's record fails.
    SectorBytes& mbr = disk.at(0);
    mbr[0x1BE + 4] = 0x0C;
    std::uint32_t start = 2 * 16065 + 63, ext = 30 * 16065;
    std::memcpy(mbr.data() + 0x1BE + 8, &start, 4);
    mbr[0x1CE + 4] = 0x0F;
    std::memcpy(mbr.data() + 0x1CE + 8, &ext, 4);
    mbr[0x1FE] = 0x55;
    mbr[0x1FF] = 0xAA;
    bootSector(disk.at(5 * 16065ull + 63), FileSystemKind::Fat32, 1000);
    test::VolumeTestContext t(std::make_shared<test::FailingSectorsOpener>(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()),
        std::set<std::uint64_t>{ext}));
    t.setGeometry(40, 255, 63);
    searchAfterFailedTableRead(t);
    const DiskPartitionRecord& r = t.ctx->partitions[0];
    ASSERT_EQ(r.count, 1u);
    EXPECT_EQ(r.slots[1].startSector, 5 * 16065u + 63);
    const auto root = t.ctx->partitionTree.firstTopLevel();
    EXPECT_EQ(t.ctx->partitionTree.text(root), "Disk 0");
    ASSERT_EQ(t.ctx->partitionTree.children(root).size(), 1u);
    EXPECT_EQ(t.ctx->partitionTree.children(root)[0], r.slots[1].treeItem);
}

TEST(PartitionSearch, MissingGeometryComesFromTheMediumAndZeroHeadsLeaveOnlyTheMiBGrid) {
    SparseDisk disk(100000);
    bootSector(disk.at(63), FileSystemKind::Fat32, 5000);
    bootSector(disk.at(20480), FileSystemKind::Fat16, 5000);
    for (int heads : {-1, 0}) {
        test::VolumeTestContext t(failingSectorZero(
            std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors())));
        if (heads == 0)
            t.setGeometry(1000000, 0, 63);
        searchAfterFailedTableRead(t);
        const DiskPartitionRecord& r = t.ctx->partitions[0];
        ASSERT_EQ(r.count, heads == 0 ? 1u : 2u);
        EXPECT_EQ(r.slots[r.count].startSector, 20480u);
        if (heads != 0) {
            EXPECT_EQ(r.slots[1].startSector, 63u);
        }
        EXPECT_EQ(t.window.enabled(app::item::kBack), true);
    }
}

TEST(PartitionSearch, StopsPromptlyWhenAsked) {
    SparseDisk disk(1000);
    test::VolumeTestContext t(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()));
    t.setGeometry(4000000000ull, 255, 63); // far more cylinders than 32-bit sectors reach
    const auto began = std::chrono::steady_clock::now();
    StartPartitionSearch(*t.ctx);
    t.ctx->partitionSearchThread.request_stop();
    t.ctx->partitionSearchThread.join();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    EXPECT_FALSE(PartitionSearchRunning(*t.ctx));
}

TEST(PartitionSearch, RealFat32VolumeFoundWhenTheTableCannotBeRead) {
    if (!test::haveTools({"mkfs.fat"}))
        GTEST_SKIP() << "needs mkfs.fat";
    test::TempDir dir;
    const auto image = dir / "card.img";
    test::formatFat(image, 32, 63, 200000);
    const std::uint32_t total = test::le32(test::readImageSector(image, 63), 0x20);
    test::VolumeTestContext t(failingSectorZero(std::make_shared<disk::PosixDeviceOpener>()),
                              image.string());
    t.setGeometry(100, 64, 32); // 204800 sectors, searched as 12 cylinders of 16065
    searchAfterFailedTableRead(t);
    const DiskPartitionRecord& r = t.ctx->partitions[0];
    ASSERT_EQ(r.count, 1u);
    EXPECT_EQ(t.ctx->partitionTree.text(r.slots[1].treeItem), "Partition - 1 ( FAT32 )");
    EXPECT_EQ(r.slots[1].startSector, 63u);
    EXPECT_EQ(r.slots[1].endSector, 63u + total);
}

} // namespace
} // namespace qr::volume
