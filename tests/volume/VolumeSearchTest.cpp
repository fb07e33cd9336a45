// The volume search and the judgement of sector 0 on hand-made sectors and sparse
// disks (terabytes cost only the sectors written).
#include "volume/VolumeSearch.h"
#include "support/VolumeDisks.h"
#include "volume/TableSector.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace qr::volume {
namespace {

using test::SectorBytes;
using test::SparseDisk;

using test::SparseSource;

template <class T> void put(SectorBytes& s, std::size_t at, T v) {
    std::memcpy(s.data() + at, &v, sizeof v);
}

// A plausible boot sector: 8 sectors per cluster, 32 reserved, two FATs of 100 sectors.
SectorBytes bootSector(FileSystemKind kind, std::uint64_t size) {
    SectorBytes s{};
    put<std::uint16_t>(s, 0x0B, 512);
    s[0x0D] = 8;
    if (kind == FileSystemKind::Ntfs) {
        std::memcpy(s.data() + 3, "NTFS    ", 8);
        put<std::uint64_t>(s, 0x28, size);
        put<std::uint64_t>(s, 0x30, 4);
        put<std::uint64_t>(s, 0x38, 2);
    } else {
        put<std::uint16_t>(s, 0x0E, 32);
        s[0x10] = 2;
        put<std::uint32_t>(s, 0x20, static_cast<std::uint32_t>(size));
        const bool fat32 = kind == FileSystemKind::Fat32;
        std::memcpy(s.data() + (fat32 ? 0x52 : 0x36), fat32 ? "FAT32   " : "FAT16   ", 8);
        if (fat32) {
            put<std::uint32_t>(s, 0x24, 100);
            put<std::uint32_t>(s, 0x2C, 2);
            put<std::uint16_t>(s, 0x32, 6);
        } else {
            put<std::uint16_t>(s, 0x16, 100);
            put<std::uint16_t>(s, 0x11, 512);
        }
    }
    s[0x1FE] = 0x55;
    s[0x1FF] = 0xAA;
    return s;
}

void setEntry(SectorBytes& s, int i, std::uint8_t status, std::uint8_t type, std::uint32_t start,
              std::uint32_t sectors) {
    unsigned char* e = s.data() + 0x1BE + i * 16;
    e[0] = status;
    e[4] = type;
    std::memcpy(e + 8, &start, 4);
    std::memcpy(e + 12, &sectors, 4);
}

disk::ByteView view(const SectorBytes& s) {
    return {s.data(), s.size()};
}

const VolumeSearchPlan kLba{1000000, 255 * 63, 63};

std::vector<FoundVolumeAt> search(SparseSource& source, const VolumeSearchPlan& plan = kLba,
                                  VolumeSearchOutcome* outcome = nullptr) {
    std::vector<FoundVolumeAt> found;
    const auto o = SearchVolumes(source, plan, {}, [&](const FoundVolumeAt& v) {
        found.push_back(v);
        return true;
    });
    if (outcome)
        *outcome = o;
    return found;
}

TEST(VolumeSearch, CandidatesAreAscendingWithoutRepeatsOnAllFourGrids) {
    SearchCandidates c({3, 16065, 63}, 3 * 16065);
    std::vector<std::uint64_t> all;
    for (std::uint64_t s = 0; c.next(s);)
        all.push_back(s);
    ASSERT_TRUE(std::is_sorted(all.begin(), all.end()));
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    const std::vector<std::uint64_t> first{0, 63, 64, 128};
    EXPECT_EQ(std::vector<std::uint64_t>(all.begin(), all.begin() + 4), first);
    for (std::uint64_t s : {1984ull, 2048ull, 16065ull, 16128ull, 32130ull, 32193ull, 47104ull})
        EXPECT_NE(std::find(all.begin(), all.end(), s), all.end()) << s;
    EXPECT_EQ(std::find(all.begin(), all.end(), 2112ull), all.end()); // 64-step stops at 1 MiB
    // 32 below 1 MiB, 23 MiB boundaries, 3 cylinder and 3 track starts, less the repeats.
    EXPECT_LT(all.size(), 64u);
}

TEST(VolumeSearch, FindsCardLayoutsInDiskOrderAndSkipsNestedAndImplausibleSectors) {
    SparseDisk disk(200000);
    disk.at(63) = bootSector(FileSystemKind::Fat16, 1900);
    disk.at(2048) = bootSector(FileSystemKind::Ntfs, 4000);
    disk.at(4096) = bootSector(FileSystemKind::Fat16, 100); // inside the NTFS volume
    // FAT32 at 8192 whose boot sector is gone; its backup at +6 is intact.
    disk.at(8198) = bootSector(FileSystemKind::Fat32, 20000);
    // Stray signatures and absurd or oversized volumes at candidate sectors.
    std::mt19937 random(7);
    for (std::uint64_t at : {30720ull, 32768ull, 34816ull}) {
        for (auto& b : disk.at(at))
            b = static_cast<unsigned char>(random());
        disk.at(at)[0x1FE] = 0x55;
        disk.at(at)[0x1FF] = 0xAA;
    }
    disk.at(36864) = bootSector(FileSystemKind::Fat32, 10000000); // beyond the disk
    disk.at(38912) = bootSector(FileSystemKind::Fat16, 1000);
    disk.at(38912)[0x0D] = 3; // sectors per cluster not a power of two
    disk.at(40960) = bootSector(FileSystemKind::Ntfs, 1000);
    put<std::uint64_t>(disk.at(40960), 0x30, 1ull << 40); // MFT outside the volume
    disk.at(43008) = bootSector(FileSystemKind::Fat32, 5000);

    SparseSource source(disk);
    VolumeSearchOutcome outcome;
    const auto found = search(source, kLba, &outcome);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].kind, FileSystemKind::Fat16);
    EXPECT_EQ(found[0].start, 63u);
    EXPECT_EQ(found[0].end, 63u + 1900);
    EXPECT_EQ(found[1].kind, FileSystemKind::Ntfs);
    EXPECT_EQ(found[1].end, 2048u + 4000);
    EXPECT_EQ(found[2].kind, FileSystemKind::Fat32);
    EXPECT_EQ(found[2].start, 8192u);
    EXPECT_EQ(found[2].end, 8192u + 20000);
    EXPECT_EQ(found[3].start, 43008u);
    EXPECT_EQ(outcome.end, VolumeSearchEnd::Finished);
    // A candidate costs at most its sector and the six behind it.
    EXPECT_LE(source.sectorsRead, outcome.candidates * 7);
    EXPECT_LT(source.sectorsRead, 200000u / 2048 * 7 + 32 * 7 + 26 * 7);
}

TEST(VolumeSearch, HugeTinyAndVanishingDisksEndCleanly) {
    // 2 TiB: a few sectors per MiB, well under a minute, the volume near the end found.
    SparseDisk huge(1ull << 32);
    const std::uint64_t late = (1ull << 32) - 8 * 2048;
    huge.at(late) = bootSector(FileSystemKind::Ntfs, 4096);
    SparseSource hugeSource(huge);
    const auto began = std::chrono::steady_clock::now();
    const auto found = search(hugeSource);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(60));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].start, late);
    EXPECT_LT(hugeSource.sectorsRead, (1ull << 32) / 2048 * 10);

    SparseDisk one(1);
    one.at(0) = bootSector(FileSystemKind::Fat16, 1000);
    SparseSource oneSource(one);
    EXPECT_TRUE(search(oneSource).empty());
    EXPECT_FALSE(WholeDiskVolume(view(one.at(0)), 1));

    SparseDisk none(0);
    SparseSource noneSource(none);
    EXPECT_TRUE(search(noneSource, {}).empty());
}

TEST(VolumeSearch, StopTokenAndRefusingCallbackEndTheSearchWithWhatWasFound) {
    SparseDisk disk(1ull << 30);
    disk.at(2048) = bootSector(FileSystemKind::Fat16, 1000);
    disk.at(1ull << 29) = bootSector(FileSystemKind::Fat16, 1000);
    SparseSource source(disk);
    std::stop_source stop;
    std::vector<FoundVolumeAt> found;
    const auto outcome = SearchVolumes(source, kLba, stop.get_token(), [&](const FoundVolumeAt& v) {
        found.push_back(v);
        stop.request_stop();
        return true;
    });
    EXPECT_EQ(outcome.end, VolumeSearchEnd::Stopped);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_LT(source.sectorsRead, 2048u);
}

TEST(TableSector, FailedTablesAreZeroedUnsignedOrHoldOnlyImpossibleEntries) {
    SectorBytes s{};
    EXPECT_TRUE(TableFailed(view(s), 100000));
    s[0x1FE] = 0x55;
    s[0x1FF] = 0xAA;
    EXPECT_TRUE(TableFailed(view(s), 100000)); // all empty
    setEntry(s, 0, 0, 0x0C, 0, 5000);          // starts at 0
    setEntry(s, 1, 0, 0x0C, 2048, 0);          // no size
    setEntry(s, 2, 0, 0x07, 200000, 100);      // beyond the disk
    EXPECT_TRUE(TableFailed(view(s), 100000));
    setEntry(s, 3, 0x80, 0x0E, 63, 5000);
    EXPECT_FALSE(TableFailed(view(s), 100000));
}

TEST(TableSector, WholeDiskVolumeOnlyWhenTheSlotsAreNoCredibleTable) {
    const std::uint64_t disk = 100000;
    SectorBytes boot = bootSector(FileSystemKind::Fat32, disk);
    auto whole = WholeDiskVolume(view(boot), disk);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->kind, FileSystemKind::Fat32);
    EXPECT_EQ(whole->sectors, disk);

    // Boot code that happens to look like one entry, starting in the reserved sectors.
    SectorBytes code = boot;
    setEntry(code, 0, 0x00, 0x0C, 2, 90000);
    EXPECT_TRUE(WholeDiskVolume(view(code), disk));
    setEntry(code, 0, 0x3C, 0x0C, 4096, 9000); // a status byte no table has
    EXPECT_TRUE(WholeDiskVolume(view(code), disk));
    // Two entries that overlap.
    SectorBytes overlap = boot;
    setEntry(overlap, 0, 0, 0x0C, 4096, 9000);
    setEntry(overlap, 1, 0, 0x0C, 8192, 9000);
    EXPECT_TRUE(WholeDiskVolume(view(overlap), disk));

    // A credible table wins: the disk is read through it as before.
    SectorBytes table = boot;
    setEntry(table, 0, 0x80, 0x0C, 2048, 40000);
    setEntry(table, 1, 0x00, 0x07, 43008, 40000);
    EXPECT_FALSE(WholeDiskVolume(view(table), disk));

    // Absurd fields or a volume larger than the disk: nothing.
    EXPECT_FALSE(WholeDiskVolume(view(boot), disk - 1));
    SectorBytes absurd = boot;
    absurd[0x0D] = 0;
    EXPECT_FALSE(WholeDiskVolume(view(absurd), disk));
    absurd = boot;
    put<std::uint16_t>(absurd, 0x0B, 4097);
    EXPECT_FALSE(WholeDiskVolume(view(absurd), disk));
    absurd = boot;
    put<std::uint32_t>(absurd, 0x24, 60000); // the FATs fill the volume
    EXPECT_FALSE(WholeDiskVolume(view(absurd), disk));
}

} // namespace
} // namespace qr::volume
