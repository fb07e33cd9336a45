// The advanced sweep and what follows it on hostile media: absurd boot-sector fields,
// heads with clusters near the 32-bit end, ranges beyond the medium or of one sector.
#include "AdvancedFatSupport.h"
#include "fat/PickedFileSystem.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qr::fat {
namespace {

using volume::FileSystemKind;
namespace bc = model::boot_col;

class SweepInput : public ::testing::Test {
protected:
    explicit SweepInput(std::uint64_t sectors = 256) { medium.bytes.assign(sectors * 512, 0); }

    unsigned char* sector(std::uint64_t s) { return &medium.bytes[s * 512]; }
    static void put16(unsigned char* p, std::uint32_t v) {
        p[0] = v & 0xFF;
        p[1] = (v >> 8) & 0xFF;
    }
    static void put32(unsigned char* p, std::uint32_t v) {
        put16(p, v & 0xFFFF);
        put16(p + 2, v >> 16);
    }
    void bootSector(std::uint64_t s, bool fat32, std::uint32_t spc, std::uint32_t reserved,
                    std::uint32_t perFat, std::uint32_t total32, std::uint32_t rootCluster = 2,
                    std::uint32_t rootEntries = 512, std::uint32_t total16 = 0) {
        unsigned char* b = sector(s);
        b[13] = static_cast<unsigned char>(spc);
        put16(b + 14, reserved);
        put16(b + 17, rootEntries);
        put16(b + 19, total16);
        put32(b + 32, total32);
        if (fat32) {
            put32(b + 36, perFat);
            put32(b + 44, rootCluster);
            std::memcpy(b + 82, "FAT32   ", 8);
        } else {
            put16(b + 22, perFat);
            std::memcpy(b + 54, "FAT16   ", 8);
        }
        b[510] = 0x55;
        b[511] = 0xAA;
    }
    void directoryHead(std::uint64_t s, std::uint32_t cluster, std::uint32_t parent = 0) {
        unsigned char* h = sector(s);
        std::memcpy(h, ".          ", 11);
        std::memcpy(h + 32, "..         ", 11);
        put16(h + 26, cluster & 0xFFFF);
        put16(h + 20, cluster >> 16);
        put16(h + 32 + 26, parent & 0xFFFF);
        put16(h + 32 + 20, parent >> 16);
        put16(h + 22, 0x6000); // 12:00
        put16(h + 24, 0x5A21); // 1 Jan 2025
    }
    FatSweepResult sweep(std::uint64_t start, std::uint64_t end, std::uint32_t batch = 16) {
        return SweepFatStructures(medium, start, end, tables, {}, progress, batch);
    }

    test::MemorySource medium;
    model::RecordTables tables;
    test::RecordingProgress progress;
};

TEST_F(SweepInput, RowsAsTheSweepWritesThem) {
    bootSector(10, true, 8, 32, 0x12345, 1000000, 0x54321);
    bootSector(20, false, 4, 4, 200, 0, 2, 512, 40000);
    directoryHead(30, 0x00030005, 0x00010002);
    sweep(0, 255);
    const model::RecordTable& boot = tables.bootSectorTable;
    ASSERT_EQ(boot.rowCount(), 2);
    // FAT32: sectors per FAT and the root cluster read whole.
    EXPECT_EQ(boot.cell(0, bc::Spf), "74565");
    EXPECT_EQ(boot.cell(0, bc::RootStart), "344865");
    EXPECT_EQ(boot.cell(0, bc::RootSectors), "0");
    EXPECT_EQ(boot.number(0, bc::Cluster0Start), 10u + 32 + 2 * 0x12345 - 16);
    EXPECT_EQ(boot.number(0, bc::FirstFat), 42u);
    EXPECT_EQ(boot.number(0, bc::SecondFat), 42u + 0x12345);
    EXPECT_EQ(boot.number(0, bc::TotalSectors), 1000010u);
    EXPECT_EQ(boot.cell(0, bc::PartType), "FAT32");
    // FAT16 whose size is in the 16-bit field.
    EXPECT_EQ(boot.cell(1, bc::RootSectors), "32");
    EXPECT_EQ(boot.number(1, bc::RootStart), 20u + 4 + 400);
    EXPECT_EQ(boot.number(1, bc::Cluster0Start), 20u + 4 + 400 + 32 - 8);
    EXPECT_EQ(boot.number(1, bc::TotalSectors), 40020u);
    EXPECT_EQ(boot.cell(1, bc::PartType), "FAT16");

    const model::RecordTable& dirs = tables.dirClusterTable;
    ASSERT_EQ(dirs.rowCount(), 1);
    EXPECT_EQ(dirs.cell(0, model::dircluster_col::Sector), "30");
    EXPECT_EQ(dirs.number(0, model::dircluster_col::SelfCluster), 0x00030005u);
    EXPECT_EQ(dirs.number(0, model::dircluster_col::ParentCluster), 0x00010002u);
    EXPECT_EQ(dirs.cell(0, model::dircluster_col::FileSystem), "0");
    EXPECT_EQ(dirs.cell(0, model::dircluster_col::Date), "23073");
    EXPECT_EQ(dirs.cell(0, model::dircluster_col::Time), "24576");
}

TEST_F(SweepInput, AbsurdBootSectorsAndHeadsIdentifyNothingFalse) {
    bootSector(1, true, 0, 32, 100, 1000); // no cluster size
    bootSector(2, true, 3, 32, 100, 1000); // not a power of two
    bootSector(3, false, 255, 0xFFFF, 0xFFFF, 0xFFFFFFFF);
    bootSector(4, true, 128, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    bootSector(5, true, 1, 0, 0, 0); // every size 0
    directoryHead(100, 0xFFFFFFFF, 0xFFFFFFFF);
    directoryHead(101, 0x80000000);
    directoryHead(102, 0);
    directoryHead(103, 0xFFFFFFFE);
    // A sector that is a boot sector and a head at once.
    bootSector(104, true, 1, 1, 1, 1);
    directoryHead(104, 2);
    const FatSweepResult swept = sweep(0, 255);
    EXPECT_EQ(swept.bootSectors, 6u);
    EXPECT_EQ(swept.directories, 5u);
    for (FileSystemKind kind : {FileSystemKind::Fat16, FileSystemKind::Fat32}) {
        model::RecordTables copy = tables;
        const int found = InferFileSystems(copy, kind, progress);
        for (int k = 1; k <= found + 1; ++k) {
            const ActiveGeometry g = LoadPickedFileSystem(medium, copy.fileSystemTable,
                                                          static_cast<std::uint32_t>(k), {});
            if (k <= found)
                EXPECT_TRUE(g.sectorsPerCluster >= 1 && g.sectorsPerCluster <= 128);
            else
                EXPECT_EQ(g.sectorsPerCluster, 0u) << "no row, no geometry";
        }
    }
    const ActiveGeometry none = LoadPickedFileSystem(medium, tables.fileSystemTable, 0, {});
    EXPECT_TRUE(none.fileSystemName.empty());
}

TEST_F(SweepInput, RangesBeyondTheMediumOrOfOneSector) {
    directoryHead(5, 3);
    directoryHead(6, 4);
    directoryHead(255, 9);

    // Far beyond the medium: only the medium is read.
    sweep(0, 1'000'000'000'000ull, 64);
    EXPECT_EQ(tables.dirClusterTable.rowCount(), 3);
    for (const auto& [start, count] : medium.reads)
        EXPECT_LE(start + count, medium.sectorCount());

    // One sector; an empty range; a range turned round.
    tables = {};
    EXPECT_EQ(sweep(5, 6).directories, 1u);
    EXPECT_EQ(tables.dirClusterTable.cell(0, model::dircluster_col::Sector), "5");
    EXPECT_EQ(sweep(6, 6).directories, 0u);
    EXPECT_EQ(sweep(200, 7).directories, 0u);
    EXPECT_EQ(InferFileSystems(tables, FileSystemKind::Fat32, progress), 0);
    EXPECT_EQ(tables.dirClusterTable.cell(0, model::dircluster_col::FileSystem), "-1");

    // The last sector named as the end is not swept.
    tables = {};
    EXPECT_EQ(sweep(250, 255).directories, 0u);
}

TEST_F(SweepInput, FatStartsNeedTwoSectorsInFrontOfClusterZero) {
    const unsigned char fat[] = {0xF8, 0xFF, 0xFF};
    std::memcpy(sector(40), fat, 3);
    std::memcpy(sector(90), fat, 3);
    std::memcpy(sector(140), fat, 3); // a third is never looked for

    FatStarts s = FindFatStarts(medium, 200, FileSystemKind::Fat16, {});
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.first, 40u);
    EXPECT_EQ(s.second, 90u);
    s = FindFatStarts(medium, 91, FileSystemKind::Fat32, {});
    EXPECT_EQ(s.found, 2);
    s = FindFatStarts(medium, 90, FileSystemKind::Fat32, {});
    EXPECT_EQ(s.found, 1) << "sector 90 is cluster 0 itself, not in front of it";
    EXPECT_EQ(FindFatStarts(medium, 0, FileSystemKind::Fat16, {}).found, 0);
    EXPECT_EQ(FindFatStarts(medium, 200, FileSystemKind::Ntfs, {}).found, 0);
    // Cluster 0 far beyond the medium: the window is read only as far as the medium.
    EXPECT_EQ(FindFatStarts(medium, 0xFFFFFFFF, FileSystemKind::Fat32, {}).found, 0);
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(FindFatStarts(medium, 200, FileSystemKind::Fat16, stopped.get_token()).found, 0);

    // A row from directories alone whose search finds one table keeps its zeros.
    const int row = tables.fileSystemTable.appendRow("0");
    tables.fileSystemTable.setCell(row, bc::Spc, "4");
    tables.fileSystemTable.setCell(row, bc::Cluster0Start, "90");
    tables.fileSystemTable.setCell(row, bc::PartType, "FAT16");
    const ActiveGeometry g = LoadPickedFileSystem(medium, tables.fileSystemTable, 1, {});
    EXPECT_EQ(g.firstFat, 0u);
    EXPECT_EQ(g.rootStart, 2u);
    EXPECT_EQ(g.rootSectors, 32u);
    EXPECT_EQ(tables.fileSystemTable.cell(row, bc::FirstFat), "");

    // Below the data area (cluster 2 at sector 200): a sector inside the second table
    // that begins like one is passed over, since no first table lies below it.
    std::memcpy(sector(180), fat, 3);
    s = FindFat32StartsBelowData(medium, 198, 1, {});
    EXPECT_EQ(s.found, 0) << "nothing lies 60 sectors below 140";
    std::memcpy(sector(80), fat, 3);
    s = FindFat32StartsBelowData(medium, 198, 1, {});
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.first, 80u);
    EXPECT_EQ(s.second, 140u);
    EXPECT_EQ(FindFat32StartsBelowData(medium, 0xFFFFFFF0, 128, {}).found, 0);
}

} // namespace
} // namespace qr::fat
