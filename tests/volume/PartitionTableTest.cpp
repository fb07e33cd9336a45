#include "app/PartitionCommands.h"
#include "disk/SectorReader.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionSearch.h"
#include "volume/PartitionTree.h"

#include <cstring>
#include <gtest/gtest.h>

namespace qr::volume {
namespace {

using test::SectorBytes;
using test::SparseDisk;

void setEntry(SectorBytes& s, int index, std::uint8_t type, std::uint32_t start,
              std::uint32_t sectors) {
    unsigned char* e = s.data() + 0x1BE + index * 16;
    e[4] = type;
    std::memcpy(e + 8, &start, 4);
    std::memcpy(e + 12, &sectors, 4);
}

void sign(SectorBytes& s) {
    s[0x1FE] = 0x55;
    s[0x1FF] = 0xAA;
}

void putText(SectorBytes& s, std::size_t offset, const char* text) {
    std::memcpy(s.data() + offset, text, std::strlen(text));
}

struct Listed {
    std::string text;
    std::uint32_t start, end;
    bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Listed& l) {
    return os << l.text << " " << l.start << " " << l.end;
}

std::vector<Listed> listed(app::RecoveryContext& ctx) {
    std::vector<Listed> out;
    const DiskPartitionRecord& r = ctx.partitions[ctx.selectedDiskNumber];
    for (std::uint32_t k = 1; k <= r.count; ++k)
        out.push_back({ctx.partitionTree.text(r.slots[k].treeItem), r.slots[k].startSector,
                       r.slots[k].endSector});
    return out;
}

std::vector<Listed> readTable(SparseDisk& disk) {
    test::VolumeTestContext t(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()));
    t.ctx->wizardStage = 0;
    CreatePartitionTree(*t.ctx);
    return listed(*t.ctx);
}

TEST(PartitionTable, NamesByBootTextBeforeTypeAndSkipsUnknownKinds) {
    SparseDisk disk(100000);
    SectorBytes& mbr = disk.at(0);
    sign(mbr);
    setEntry(mbr, 0, 0x0B, 100, 1000);  // type says FAT32, boot sector says FAT16
    setEntry(mbr, 1, 0x83, 2000, 1000); // Linux, no known text: not listed, no number
    setEntry(mbr, 2, 0x00, 3000, 1000); // empty entry
    setEntry(mbr, 3, 0x01, 4000, 500);  // FAT12 type: listed as FAT16
    putText(disk.at(100), 0x36, "FAT16");
    EXPECT_EQ(readTable(disk), (std::vector<Listed>{{"Partition - 1 ( FAT16 )", 100, 1100},
                                                    {"Partition - 2 ( FAT16 )", 4000, 4500}}));
}

TEST(PartitionTable, OneSignatureByteIsEnoughAndNoneListsNothing) {
    SparseDisk disk(10000);
    setEntry(disk.at(0), 0, 0x07, 63, 100);
    disk.at(0)[0x1FE] = 0x55;
    EXPECT_EQ(readTable(disk).size(), 1u);
    disk.at(0)[0x1FE] = 0;
    EXPECT_TRUE(readTable(disk).empty());
}

TEST(PartitionTable, LogicalsFollowPrimariesInChainOrder) {
    SparseDisk disk(1u << 22);
    SectorBytes& mbr = disk.at(0);
    sign(mbr);
    setEntry(mbr, 0, 0x05, 1000, 100000);
    setEntry(mbr, 1, 0x06, 63, 900);
    // First record: a FAT12-typed logical at +63, link to +5000 (relative to 1000).
    setEntry(disk.at(1000), 0, 0x01, 63, 400);
    setEntry(disk.at(1000), 1, 0x05, 5000, 4000);
    // Second record at 6000: an NTFS logical by its boot text.
    setEntry(disk.at(6000), 0, 0x27, 63, 700);
    putText(disk.at(6063), 3, "NTFS");
    EXPECT_EQ(readTable(disk), (std::vector<Listed>{{"Partition - 1 ( FAT16 )", 63, 963},
                                                    {"Partition - 2 ( FAT16 )", 1063, 1463},
                                                    {"Partition - 3 ( NTFS )", 6063, 6763}}));
}

TEST(PartitionTable, ChainThatLoopsOrNeverEndsStops) {
    SparseDisk disk(1u << 22);
    sign(disk.at(0));
    setEntry(disk.at(0), 0, 0x0F, 1000, 100000);
    // A record linking to itself.
    setEntry(disk.at(1000), 0, 0x0C, 63, 10);
    setEntry(disk.at(1000), 1, 0x0F, 0, 10);
    EXPECT_EQ(readTable(disk).size(), 1u);

    // Sixty records in a row, each with a FAT32 logical: the record's room ends it.
    for (std::uint32_t i = 0; i < 60; ++i) {
        SectorBytes& ebr = disk.at(1000 + i * 100);
        ebr = {};
        setEntry(ebr, 0, 0x0C, 10, 10);
        setEntry(ebr, 1, 0x05, (i + 1) * 100, 10);
    }
    const auto all = readTable(disk);
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kPartitionNames));
    EXPECT_EQ(all.back().text, "Partition - 26 ( FAT32 )");
}

TEST(PartitionTable, LinksOutsideTheDiskAndHugeCountsDoNotBreakIt) {
    SparseDisk disk(1ull << 33);
    sign(disk.at(0));
    setEntry(disk.at(0), 0, 0x0C, 0xFFFFFFF0u, 0xFFFFFFFFu);
    setEntry(disk.at(0), 1, 0x0F, 0xFFFFFF00u, 1);
    const auto all = readTable(disk);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].start, 0xFFFFFFF0u);
    EXPECT_EQ(all[0].end, 0xFFFFFFFFu); // kept to 32 bits, never wrapped below the start
}

TEST(PartitionTable, TreeHasDiskRootAndFirstPartitionItem) {
    SparseDisk disk(10000);
    sign(disk.at(0));
    setEntry(disk.at(0), 0, 0x0E, 63, 100);
    test::VolumeTestContext t(
        std::make_shared<test::VolumeDiskOpener<SparseDisk>>(disk, disk.sectors()));
    t.ctx->selectedDiskNumber = 0;
    CreatePartitionTree(*t.ctx);
    const auto root = PartitionTreeRoot(*t.ctx);
    EXPECT_EQ(t.ctx->partitionTree.text(root), "Disk 0");
    EXPECT_TRUE(t.ctx->partitionTree.get(root).expanded);
    ASSERT_EQ(t.ctx->partitionTree.children(root).size(), 1u);
    EXPECT_EQ(t.ctx->firstPartitionItem, t.ctx->partitionTree.children(root)[0]);
    EXPECT_EQ(t.ctx->partitionTree.get(t.ctx->firstPartitionItem).image, 1);
}

TEST(PartitionTable, ImageMadeBySfdiskGivesTheExampleNumbers) {
    if (!test::haveTools({"sfdisk", "mkfs.fat", "mkntfs"}))
        GTEST_SKIP() << "needs sfdisk, mkfs.fat and mkntfs";
    test::TempDir dir;
    const auto image = test::makeFat32AndNtfsDisk(dir.path());
    test::VolumeTestContext t(std::make_shared<disk::PosixDeviceOpener>(), image.string());
    CreatePartitionTree(*t.ctx);
    EXPECT_EQ(listed(*t.ctx), (std::vector<Listed>{{"Partition - 1 ( FAT32 )", 63, 1000063},
                                                   {"Partition - 2 ( NTFS )", 1000188, 1228800}}));
    EXPECT_FALSE(app::PartitionSearchRunning(*t.ctx));
}

} // namespace
} // namespace qr::volume
