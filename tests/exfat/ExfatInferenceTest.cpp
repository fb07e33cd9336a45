// The Advanced exFAT sweep and inference on small media built byte by byte: what the
// sweep keeps, the file system a boot-less volume's folders give, the largest group of
// agreeing pairs taken whole, the FAT kept only when its chains hold, and hostile
// findings (clusters outside the range, random bytes, folders naming each other).
#include "TinyVolume.h"
#include "exfat/InferExfatFileSystems.h"
#include "exfat/PickedExfatTree.h"
#include "exfat/StructureSweep.h"
#include "exfat/SurvivingFat.h"
#include "model/RecordTable.h"
#include "support/NtfsImages.h"
#include "volume/SearchProgress.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qr::exfat {
namespace {

using test::EntrySetBytes;
using test::SetSpec;
using test::TinyVolume;

std::vector<unsigned char> bitmapEntry(std::uint32_t cluster, std::uint64_t length) {
    std::vector<unsigned char> e(32, 0);
    e[0] = 0x81;
    for (int b = 0; b < 4; ++b)
        e[20 + b] = static_cast<unsigned char>(cluster >> (8 * b));
    for (int b = 0; b < 8; ++b)
        e[24 + b] = static_cast<unsigned char>(length >> (8 * b));
    return e;
}

SetSpec folder(std::u16string name, std::uint32_t cluster) {
    SetSpec spec;
    spec.name = std::move(name);
    spec.attributes = kDirectoryAttribute;
    spec.firstCluster = cluster;
    spec.dataLength = 512;
    return spec;
}

// Root (cluster 2) with its bitmap entry and DCIM (3), DCIM with 100CAM (4), 100CAM
// with a photo; every chain one cluster long in the FAT.
TinyVolume cameraVolume() {
    TinyVolume v;
    auto root = bitmapEntry(5, test::kClusters / 8);
    const auto dcim = EntrySetBytes(folder(u"DCIM", 3));
    root.insert(root.end(), dcim.begin(), dcim.end());
    v.put(2, 0, root);
    v.put(3, 0, EntrySetBytes(folder(u"100CAM", 4)));
    SetSpec photo;
    photo.name = u"IMG_0001.JPG";
    photo.firstCluster = 6;
    photo.dataLength = 300;
    v.put(4, 0, EntrySetBytes(photo));
    for (std::uint32_t c : {3u, 4u, 5u, 6u})
        v.setFat(c, 0xFFFFFFFF);
    return v;
}

ExfatFindings sweep(TinyVolume& v) {
    volume::NoProgress quiet;
    return SweepExfatStructures(v.source, 0, test::kVolumeSectors, quiet, {});
}

void zeroSectors(TinyVolume& v, std::size_t first, std::size_t count) {
    std::fill_n(v.source.bytes.begin() + first * 512, count * 512, 0);
}

TEST(ExfatInference, ASoundVolumeIsItsBootRegionOnceWithItsFolders) {
    TinyVolume v = cameraVolume();
    const ExfatFindings findings = sweep(v);
    EXPECT_EQ(findings.boots.size(), 2u); // main and backup
    EXPECT_EQ(findings.fatStarts, std::vector<std::uint64_t>{24});
    ASSERT_EQ(findings.folders.size(), 2u);
    EXPECT_EQ(findings.folders[0].sector, 32u);
    EXPECT_EQ(findings.folders[0].firstCluster, 3u);
    ASSERT_EQ(findings.roots.size(), 1u);
    EXPECT_EQ(findings.roots[0].bitmapCluster, 5u);
    const auto systems = InferExfatFileSystems(findings);
    ASSERT_EQ(systems.size(), 1u);
    EXPECT_TRUE(systems[0].fromBoot);
    EXPECT_EQ(systems[0].folders, 2u);
    EXPECT_EQ(systems[0].geometry.heapStart, 32u);
}

TEST(ExfatInference, ABootLessVolumeIsInferredWithItsRootAndItsFat) {
    TinyVolume v = cameraVolume();
    zeroSectors(v, 0, 24);
    const ExfatFindings findings = sweep(v);
    auto systems = InferExfatFileSystems(findings);
    ASSERT_EQ(systems.size(), 1u);
    ExfatFileSystem& system = systems[0];
    EXPECT_FALSE(system.fromBoot);
    EXPECT_EQ(system.geometry.sectorsPerCluster, 1u);
    EXPECT_EQ(system.geometry.heapStart, 32u);
    EXPECT_EQ(system.geometry.rootCluster, 2u);
    EXPECT_EQ(system.geometry.clusterCount, test::kClusters);
    LocateSurvivingFat(v.source, findings, system);
    EXPECT_EQ(system.geometry.fatStart, 24u);

    model::RecordTables tables;
    volume::NoProgress quiet;
    const ExfatSearchResult result = BuildPickedExfatTree(
        v.source, findings, system, tables.folderTable, tables.fileTable, quiet, {});
    EXPECT_EQ(result.folders, 2u);
    EXPECT_EQ(result.files, 1u);
    EXPECT_EQ(result.lostFolders, 0u);
}

// A table whose chains do not hold for the volume's streams (a new format's) is not
// taken: the files are then read as consecutive clusters.
TEST(ExfatInference, AFatWhoseChainsFailIsNotTaken) {
    TinyVolume v = cameraVolume();
    zeroSectors(v, 0, 24);
    v.setFat(5, 7); // the bitmap's chain runs on
    const ExfatFindings findings = sweep(v);
    auto systems = InferExfatFileSystems(findings);
    ASSERT_EQ(systems.size(), 1u);
    LocateSurvivingFat(v.source, findings, systems[0]);
    EXPECT_EQ(systems[0].geometry.fatStart, 0u);
    EXPECT_EQ(systems[0].geometry.fatSectors, 0u);
}

TEST(ExfatInference, ALoneBackupRegionPutsTheVolumeTwelveSectorsEarlier) {
    TinyVolume v = cameraVolume();
    zeroSectors(v, 0, 12);
    const auto systems = InferExfatFileSystems(sweep(v));
    ASSERT_EQ(systems.size(), 1u);
    EXPECT_EQ(systems[0].geometry.volumeStart, 0u);
    EXPECT_EQ(systems[0].geometry.fatStart, 24u);
}

// Findings of two volumes: each group of agreeing pairs is a file system of its own,
// the larger first; a pair agreeing with no other makes none.
TEST(ExfatInference, TheLargestConsistentGroupIsTakenWholeAndNeverBlended) {
    ExfatFindings f;
    f.rangeFirst = 0;
    f.rangeEnd = 4'000'000;
    auto addGroup = [&](std::uint64_t heap, std::uint32_t spc,
                        std::vector<std::uint32_t> clusters) {
        for (const std::uint32_t c : clusters) {
            const std::uint64_t sector = heap + std::uint64_t{c - 2} * spc;
            f.setStarts.push_back(sector);
            f.folders.push_back({heap + 5 * spc, c, std::uint64_t{spc} * 512, false, false});
        }
    };
    addGroup(10'000, 64, {7, 9, 30, 31, 200});
    addGroup(2'000'000, 8, {12, 40, 41});
    f.folders.push_back({3'000'000, 77777, 4096, false, false}); // agrees with nothing
    std::sort(f.setStarts.begin(), f.setStarts.end());
    std::sort(f.folders.begin(), f.folders.end(),
              [](const auto& a, const auto& b) { return a.sector < b.sector; });
    const auto systems = InferExfatFileSystems(f);
    ASSERT_EQ(systems.size(), 2u);
    EXPECT_EQ(systems[0].geometry.sectorsPerCluster, 64u);
    EXPECT_EQ(systems[0].geometry.heapStart, 10'000u);
    EXPECT_EQ(systems[0].folders, 5u);
    EXPECT_EQ(systems[1].geometry.sectorsPerCluster, 8u);
    EXPECT_EQ(systems[1].geometry.heapStart, 2'000'000u);
    EXPECT_EQ(systems[1].folders, 3u);
}

TEST(ExfatInference, FolderSetsOutsideTheRangeOrWithoutClustersGiveNothing) {
    ExfatFindings f;
    f.rangeFirst = 1000;
    f.rangeEnd = 2000;
    f.setStarts = {1000, 1500, 1999};
    for (const std::uint32_t c : {0u, 1u, 0xFFFFFFFFu, 0xFFFFFFF0u, 600u})
        f.folders.push_back({1500, c, 0xFFFFFFFFFFFFFFFFull, false, false});
    f.roots.push_back({1500, 2, 0xFFFFFFFFFFFFFFFFull, 3, 0});
    EXPECT_TRUE(InferExfatFileSystems(f).empty());
    // An empty or inverted range.
    f.rangeEnd = 0;
    EXPECT_TRUE(InferExfatFileSystems(f).empty());
}

TEST(ExfatInference, RandomBytesHoldNoFileSystem) {
    qr::test::MemorySource medium([] {
        const std::string noise = qr::test::NoiseBytes(8u << 20, 77);
        return std::vector<unsigned char>(noise.begin(), noise.end());
    }());
    volume::NoProgress quiet;
    const ExfatFindings findings = SweepExfatStructures(medium, 0, 1u << 20, quiet, {});
    EXPECT_TRUE(findings.boots.empty());
    EXPECT_TRUE(findings.folders.empty());
    EXPECT_TRUE(InferExfatFileSystems(findings).empty());
}

// DCIM and 100CAM name each other: the walk of the picked file system ends, each
// folder listed once.
TEST(ExfatInference, FoldersNamingEachOtherAreWalkedOnce) {
    TinyVolume v = cameraVolume();
    auto loop = EntrySetBytes(folder(u"100CAM", 4));
    const auto back = EntrySetBytes(folder(u"UP", 3));
    v.put(3, 0, loop);
    v.put(4, 0, back);
    zeroSectors(v, 0, 24);
    const ExfatFindings findings = sweep(v);
    const auto systems = InferExfatFileSystems(findings);
    ASSERT_EQ(systems.size(), 1u);
    model::RecordTables tables;
    volume::NoProgress quiet;
    const ExfatSearchResult result = BuildPickedExfatTree(
        v.source, findings, systems[0], tables.folderTable, tables.fileTable, quiet, {});
    EXPECT_LE(result.folders, 3u);
}

// A set beginning in the last entries of a batch is seen whole: the batch's end is
// handed again with the next one.
TEST(ExfatInference, ASetAcrossABatchEdgeIsFound) {
    const std::uint64_t sector = 8192 - 1; // the last sector of the first batch
    std::vector<unsigned char> bytes((8192 + 64) * 512, 0);
    auto set = EntrySetBytes(folder(u"a folder with a name that takes three name entries", 9));
    // Its file entry is the last entry of the sector, behind entries a directory holds.
    for (std::size_t e = 0; e < 15; ++e)
        bytes[sector * 512 + e * 32] = 0xA0;
    std::copy(set.begin(), set.end(), bytes.begin() + sector * 512 + 15 * 32);
    qr::test::MemorySource medium(std::move(bytes));
    volume::NoProgress quiet;
    const ExfatFindings findings = SweepExfatStructures(medium, 0, 8192 + 64, quiet, {});
    ASSERT_EQ(findings.folders.size(), 1u);
    EXPECT_EQ(findings.folders[0].sector, sector);
    EXPECT_EQ(findings.folders[0].firstCluster, 9u);
}

} // namespace
} // namespace qr::exfat
