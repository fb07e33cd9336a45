// Media of larger logical sectors on hand-made sectors: how the sector size is found
// (device, GPT, MBR entry, boot sector), the view in the medium's own sectors, boot
// sectors of 4096-byte sectors read in 512-byte units, and the volume search over
// 4096-byte boundaries and beyond 2^32 sectors.
#include "fat/FatBootSector.h"
#include "fat/FatRecognition.h"
#include "ntfs/NtfsRecognition.h"
#include "support/VolumeDisks.h"
#include "volume/MediumSectorSize.h"
#include "volume/MediumSectorView.h"
#include "volume/SectorRead.h"
#include "volume/VolumeSearch.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace qr::volume {
namespace {

using test::SectorBytes;
using test::SparseDisk;
using test::SparseSource;

void le(SectorBytes& s, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        s[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A FAT32 boot sector of `bytesPerSector`-byte sectors: one sector per cluster, 32
// reserved, two FATs of 64 sectors, `total` sectors (all in the volume's own sectors).
SectorBytes fat32Boot(std::uint32_t bytesPerSector, std::uint32_t total) {
    SectorBytes s{};
    le(s, 0x0B, bytesPerSector, 2);
    s[0x0D] = 1;
    le(s, 0x0E, 32, 2);
    s[0x10] = 2;
    le(s, 0x20, total, 4);
    le(s, 0x24, 64, 4);
    le(s, 0x2C, 2, 4);
    le(s, 0x32, 6, 2);
    std::memcpy(s.data() + 0x52, "FAT32   ", 8);
    le(s, 0x1FE, 0xAA55, 2);
    return s;
}

// An MBR whose one entry of type `type` starts at `start` (in the table's sectors).
SectorBytes mbr(std::uint8_t type, std::uint32_t start, std::uint32_t sectors) {
    SectorBytes s{};
    s[0x1BE + 4] = type;
    le(s, 0x1BE + 8, start, 4);
    le(s, 0x1BE + 12, sectors, 4);
    le(s, 0x1FE, 0xAA55, 2);
    return s;
}

// The sparse source with a device that tells its sector size.
class DeviceSource final : public disk::SectorSource {
public:
    DeviceSource(SparseDisk& disk, std::uint32_t sectorBytes)
        : sparse_(disk), bytes_(sectorBytes) {}
    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        return sparse_.readSectors(start, count, buffer);
    }
    std::uint64_t sectorCount() override { return sparse_.sectorCount(); }
    std::uint32_t deviceSectorBytes() override { return bytes_; }

private:
    SparseSource sparse_;
    std::uint32_t bytes_;
};

TEST(MediumSectorSize, TheTablesAndBootSectorsTellAnImagesSectorSize) {
    SparseDisk blank(100000);
    SparseSource blankSource(blank);
    EXPECT_EQ(MediumSectorBytes(blankSource), 512u);

    // A protective MBR: the GPT header one 4096-byte sector in, or one 512-byte one.
    SparseDisk gpt4k(100000);
    gpt4k.at(0) = mbr(0xEE, 1, 99999);
    std::memcpy(gpt4k.at(8).data(), "EFI PART", 8);
    SparseSource gpt4kSource(gpt4k);
    EXPECT_EQ(MediumSectorBytes(gpt4kSource), 4096u);
    SparseDisk gpt512(100000);
    gpt512.at(0) = mbr(0xEE, 1, 99999);
    std::memcpy(gpt512.at(1).data(), "EFI PART", 8);
    SparseSource gpt512Source(gpt512);
    EXPECT_EQ(MediumSectorBytes(gpt512Source), 512u);

    // An MBR entry whose start leads to a boot sector only in 4096-byte sectors.
    SparseDisk mbr4k(100000);
    mbr4k.at(0) = mbr(0x0C, 256, 10000);
    mbr4k.at(256 * 8) = fat32Boot(4096, 10000);
    SparseSource mbr4kSource(mbr4k);
    EXPECT_EQ(MediumSectorBytes(mbr4kSource), 4096u);
    // A boot sector of 512-byte sectors where the entry points in 512-byte sectors wins.
    mbr4k.at(256) = fat32Boot(512, 10000);
    EXPECT_EQ(MediumSectorBytes(mbr4kSource), 512u);

    // A volume at sector 0 says it itself.
    SparseDisk whole(100000);
    whole.at(0) = fat32Boot(2048, 20000);
    SparseSource wholeSource(whole);
    EXPECT_EQ(MediumSectorBytes(wholeSource), 2048u);

    // A device's own word stands over what the content says.
    DeviceSource device(mbr4k, 4096);
    EXPECT_EQ(MediumSectorBytes(device), 4096u);
}

TEST(MediumSectorSize, HostileEntriesReadNothingBehindTheMedium) {
    SparseDisk disk(1000);
    disk.at(0) = mbr(0x0C, 0xFFFFFFFF, 0xFFFFFFFF);
    SparseSource source(disk);
    EXPECT_EQ(MediumSectorBytes(source), 512u);
    // Sector 0 and the GPT probes: no entry sector lies on a medium of 1000 sectors.
    EXPECT_LE(source.sectorsRead, 1u);
}

TEST(MediumSectorView, SectorsOfTheViewAreWholeRunsOfTheMediumsOwn) {
    SparseDisk disk(64);
    disk.at(8)[0] = 0x11;    // the view's sector 1
    disk.at(15)[511] = 0x22; // its last byte
    SparseSource source(disk);
    MediumSectorView view(source, 4096);
    EXPECT_EQ(view.sectorCount(), 8u);
    EXPECT_EQ(view.sectorBytes(), 4096u);
    std::vector<unsigned char> sector(4096);
    ASSERT_EQ(view.readSectors(1, 1, sector.data()), disk::ReadStatus::Complete);
    EXPECT_EQ(sector[0], 0x11);
    EXPECT_EQ(sector[4095], 0x22);
    // One 512-byte sector of a larger one, never more than its buffer holds.
    EXPECT_EQ(ReadSector(view, 1).bytes[0], 0x11);
    EXPECT_EQ(ReadSectorBytes(view, 1, 1, 4096)[4095], 0x22);
    // A start whose 512-byte number would not fit reads as zeros.
    std::fill(sector.begin(), sector.end(), 0xEE);
    EXPECT_EQ(view.readSectors(~std::uint64_t{0} / 2, 1, sector.data()), disk::ReadStatus::Partial);
    EXPECT_EQ(sector[100], 0);
}

TEST(LargeSectorBootSectors, FieldsAreScaledToFiveHundredTwelveByteSectors) {
    const SectorBytes s = fat32Boot(4096, 10000);
    const auto v = fat::RecogniseFat32BootSector(disk::ByteView(s));
    ASSERT_TRUE(v);
    EXPECT_EQ(v->sectors, 80000u);
    EXPECT_EQ(v->systemSectors, (32u + 2 * 64) * 8);
    EXPECT_EQ(v->sectorBytes, 4096u);
    const fat::FatBootSector boot = fat::DecodeFatBootSector(disk::ByteView(s));
    EXPECT_EQ(boot.sectorsPerCluster, 8u);
    EXPECT_EQ(boot.reservedSectors, 256u);
    EXPECT_EQ(boot.sectorsPerFat32, 512u);
    EXPECT_EQ(boot.totalSectors(), 80000u);

    // A count that scaled would pass 32 bits saturates rather than wraps.
    EXPECT_EQ(fat::DecodeFatBootSector(disk::ByteView(fat32Boot(4096, 0xF0000000))).totalSectors(),
              0xFFFFFFFFu);
    // Sizes no formatter writes are no boot sector; a decoder reads them as 512.
    for (std::uint32_t odd : {0u, 256u, 513u, 8192u}) {
        EXPECT_FALSE(fat::RecogniseFat32BootSector(disk::ByteView(fat32Boot(odd, 10000)))) << odd;
        EXPECT_EQ(fat::DecodeFatBootSector(disk::ByteView(fat32Boot(odd, 10000))).subSectors, 1u);
    }

    SectorBytes n{};
    std::memcpy(n.data() + 3, "NTFS    ", 8);
    le(n, 0x0B, 4096, 2);
    n[0x0D] = 1;
    le(n, 0x28, 16384, 8);
    le(n, 0x30, 4, 8);
    le(n, 0x38, 2, 8);
    le(n, 0x1FE, 0xAA55, 2);
    const auto ntfs = ntfs::RecogniseNtfsBootSector(disk::ByteView(n));
    ASSERT_TRUE(ntfs);
    EXPECT_EQ(ntfs->sectors, 16384u * 8);
    EXPECT_EQ(ntfs->sectorBytes, 4096u);
    le(n, 0x28, ~std::uint64_t{0} / 4, 8); // its 512-byte count would not fit 64 bits
    EXPECT_FALSE(ntfs::RecogniseNtfsBootSector(disk::ByteView(n)));
}

std::vector<FoundVolumeAt> searchAll(disk::SectorSource& source, std::uint64_t subSectors) {
    std::vector<FoundVolumeAt> found;
    const VolumeSearchPlan plan{source.sectorCount() / (255 * 63), 255 * 63, 63, subSectors};
    SearchVolumes(source, plan, std::stop_token{}, [&](const FoundVolumeAt& v) {
        found.push_back(v);
        return true;
    });
    return found;
}

TEST(LargeSectorSearch, OnlyTheMediumsOwnSectorBoundariesAreCandidates) {
    SparseDisk disk(400000);
    disk.at(63) = fat32Boot(512, 1000);    // the old cylinder place: no 4096-byte boundary
    disk.at(2048) = fat32Boot(4096, 2000); // 1 MiB
    disk.at(150 * 2048) = fat32Boot(4096, 2000);
    SparseSource source(disk);
    const auto on4k = searchAll(source, 8);
    ASSERT_EQ(on4k.size(), 2u);
    EXPECT_EQ(on4k[0].start, 2048u);
    EXPECT_EQ(on4k[0].end, 2048u + 16000);
    EXPECT_EQ(on4k[0].sectorBytes, 4096u);
    EXPECT_EQ(on4k[1].start, 150u * 2048);
    // The same medium searched in 512-byte sectors finds the cylinder volume too.
    EXPECT_EQ(searchAll(source, 1).size(), 3u);
}

TEST(LargeSectorSearch, VolumesBeyondTwoToTheThirtySecondSectorAreFound) {
    const std::uint64_t far = (std::uint64_t{1} << 32) + 2048;
    SparseDisk disk(far + 100000);
    disk.at(far) = fat32Boot(512, 50000);
    SparseSource source(disk);
    const auto found = searchAll(source, 1);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].start, far);
    EXPECT_EQ(found[0].end, far + 50000);
    // A few sectors per MiB, not the whole disk.
    EXPECT_LT(source.sectorsRead, disk.sectors() / 2048 * 10);
}

} // namespace
} // namespace qr::volume
