// FAT16 and FAT32 boot-sector validation. The second allocation table must begin with
// the media byte 0xF8; zero or absurd layout fields count as an invalid boot sector.
#include "fat/FatValidation.h"

#include "fat/FatBootSector.h"
#include "fat/FatRecognition.h"
#include "volume/SectorBytes.h"
#include "volume/SectorRead.h"
#include "volume/VolumeParams.h"

#include <string>
#include <vector>

namespace qr::fat {
namespace {

constexpr std::uint8_t kFixedDiskMedia = 0xF8;

int noMedium(std::string* why) {
    if (why)
        *why = "no medium";
    return 0;
}

struct FatLayout {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t rootEntries = 0; // FAT16
    std::uint32_t rootCluster = 0; // FAT32
    std::uint32_t subSectors = 1;  // 512-byte sectors per sector of the volume
};

FatLayout fat16Layout(const volume::Sector& sector) {
    const FatBootSector boot = DecodeFatBootSector(disk::ByteView(sector.bytes));
    return {boot.sectorsPerCluster, boot.reservedSectors, boot.sectorsPerFat16, boot.rootEntries, 0,
            boot.subSectors};
}

// Sectors per FAT and the root cluster are full 32-bit fields on FAT32.
FatLayout fat32Layout(const volume::Sector& sector) {
    const FatBootSector boot = DecodeFatBootSector(disk::ByteView(sector.bytes));
    return {boot.sectorsPerCluster, boot.reservedSectors, boot.sectorsPerFat32, 0,
            boot.rootCluster,       boot.subSectors};
}

// Empty when the layout is plausible, else what is wrong with it.
std::string implausibility(const FatLayout& l) {
    if (!volume::IsSectorsPerCluster(l.sectorsPerCluster / l.subSectors))
        return "sectors per cluster " + std::to_string(l.sectorsPerCluster / l.subSectors) +
               " is not a power of two from 1 to 128";
    if (l.reservedSectors == 0)
        return "no reserved sectors";
    if (l.sectorsPerFat == 0)
        return "sectors per FAT is 0";
    return {};
}

// True when the layout is plausible and its second table begins with the media byte;
// otherwise `why` says which check failed.
bool secondFatConfirms(disk::SectorSource& source, std::uint64_t partitionStart, const FatLayout& l,
                       const char* copy, std::string& why) {
    if (std::string wrong = implausibility(l); !wrong.empty()) {
        why = std::string(copy) + ": " + wrong;
        return false;
    }
    const std::uint64_t secondFat = partitionStart + l.reservedSectors + l.sectorsPerFat;
    const std::uint8_t media = volume::ReadSector(source, secondFat).u8(0);
    if (media == kFixedDiskMedia)
        return true;
    why = std::string(copy) + ": the second FAT at sector " + std::to_string(secondFat) +
          " begins with " + std::to_string(media) + ", not the media byte 248 (F8)";
    return false;
}

// Empty when the FAT16 root area fits the layout the other fields give, else why not.
// A root-entry count that is no whole number of sectors, or a root area so large that
// the allocation tables are larger than the clusters left after it need, means the root
// area runs into the data area: its "entries" would be file data.
std::string rootAreaProblem(const FatBootSector& boot) {
    const std::uint64_t entries = boot.rootEntries;
    if (entries == 0)
        return "no root directory entries";
    if (entries % 16 != 0)
        return "root entries " + std::to_string(entries) +
               " do not fill whole sectors (16 entries each)";
    const std::uint64_t total = boot.totalSectors();
    const std::uint64_t spc = boot.sectorsPerCluster;
    if (total == 0 || spc == 0)
        return {};
    const std::uint64_t rootSectors = entries / 16;
    const std::uint64_t ahead =
        std::uint64_t{boot.reservedSectors} + 2ull * boot.sectorsPerFat16 + rootSectors;
    if (ahead >= total)
        return "the root area ends at sector " + std::to_string(ahead) + ", beyond the volume's " +
               std::to_string(total) + " sectors";
    // A formatter sizes the tables for the clusters of the data area, some rounding them
    // up to whole clusters; a table more than kFatSlack sectors larger than that was
    // sized for a data area that began before this root area ends.
    constexpr std::uint64_t kFatSlack = 1;
    const std::uint64_t clusters = (total - ahead) / spc;
    const std::uint64_t fatNeeded = ((clusters + 2) * 2 + 511) / 512;
    const std::uint64_t fatRounded = (fatNeeded + spc - 1) / spc * spc;
    if (boot.sectorsPerFat16 > fatRounded + kFatSlack)
        return "the root area of " + std::to_string(entries) +
               " entries overlaps the data area: " + "the " + std::to_string(clusters) +
               " clusters after it need " + std::to_string(fatNeeded) +
               " sectors per FAT, the boot sector gives " + std::to_string(boot.sectorsPerFat16);
    return {};
}

// Where the FAT32 backup boot sector lies, in 512-byte sectors from the volume's start:
// the place the boot sector names in its own sectors, else six sectors of 512, 1024,
// 2048 or 4096 bytes in, whichever holds a backup that names itself at that place in
// the sectors it gives. Six sectors of 512 bytes when none does.
std::uint64_t fat32BackupOffset(disk::SectorSource& source, std::uint64_t start,
                                const volume::Sector& boot) {
    std::vector<std::uint64_t> places;
    if (boot.hasBootSignature())
        places.push_back(std::uint64_t{boot.u16(0x32)} *
                         volume::SubSectorsPerSector(boot.u16(0x0B)));
    for (std::uint64_t k = 1; k <= 8; k *= 2)
        places.push_back(kFat32BackupOffset * k);
    for (const std::uint64_t place : places) {
        if (place == 0)
            continue;
        const volume::Sector backup = volume::ReadSector(source, start + place);
        if (backup.hasBootSignature() &&
            std::uint64_t{backup.u16(0x32)} * volume::SubSectorsPerSector(backup.u16(0x0B)) ==
                place)
            return place;
    }
    return kFat32BackupOffset;
}

int refuse(std::string* why, std::string reason) {
    if (why)
        *why = std::move(reason);
    return 0;
}

void storeLayout(volume::VolumeParams& p, const FatLayout& l, std::uint32_t rootSectors,
                 std::uint32_t rootStart) {
    const std::uint64_t firstFat = p.partitionStart + l.reservedSectors;
    const std::uint64_t dataStart = firstFat + 2ull * l.sectorsPerFat + rootSectors;
    p.sectorsPerFat = l.sectorsPerFat;
    p.sectorsPerCluster = l.sectorsPerCluster;
    p.reservedSectors = l.reservedSectors;
    p.rootSectors = rootSectors;
    p.rootStart = rootStart;
    p.firstFat = firstFat;
    p.secondFat = firstFat + l.sectorsPerFat;
    p.cluster0Start = dataStart - 2ull * l.sectorsPerCluster;
}

} // namespace

int ValidateFat12Volume(disk::SectorSource*, volume::VolumeParams&, std::string* why) {
    return refuse(why, kFat12NotSearched);
}

int ValidateFat16Volume(disk::SectorSource* medium, volume::VolumeParams& p, std::string* why) {
    if (!medium)
        return noMedium(why);
    disk::SectorSource& source = *medium;
    const volume::Sector boot = volume::ReadSector(source, p.partitionStart);
    if (!boot.hasBootSignature())
        return refuse(why, "no boot signature 55 AA in sector " + std::to_string(p.partitionStart));
    // A FAT12 table read as FAT16 would give junk for every cluster: the volume is
    // named for what it is, and not searched.
    if (DecodeFatBootSector(disk::ByteView(boot.bytes)).fat12Text) {
        p.fileSystemName = volume::FileSystemName(volume::FileSystemKind::Fat12);
        return refuse(why, kFat12NotSearched);
    }
    const FatLayout l = fat16Layout(boot);
    std::string reason;
    if (!secondFatConfirms(source, p.partitionStart, l, "boot sector", reason))
        return refuse(why, reason);
    if (std::string wrong = rootAreaProblem(DecodeFatBootSector(disk::ByteView(boot.bytes)));
        !wrong.empty())
        return refuse(why, "boot sector: " + wrong);
    const std::uint32_t rootSectors = (l.rootEntries / 16) & 0xFFF;
    const std::uint64_t rootStart = p.partitionStart + l.reservedSectors + 2ull * l.sectorsPerFat;
    storeLayout(p, l, rootSectors, static_cast<std::uint32_t>(rootStart));
    return 1;
}

int ValidateFat32Volume(disk::SectorSource* medium, volume::VolumeParams& p, std::string* why) {
    if (!medium)
        return noMedium(why);
    disk::SectorSource& source = *medium;
    volume::Sector boot = volume::ReadSector(source, p.partitionStart);
    // Looked for only when the boot sector will not do.
    const auto backupSector = [&, primary = boot] {
        return p.partitionStart + fat32BackupOffset(source, p.partitionStart, primary);
    };
    if (!boot.hasBootSignature()) {
        boot = volume::ReadSector(source, backupSector());
        if (!boot.hasBootSignature())
            return refuse(why, "no boot signature 55 AA in sector " +
                                   std::to_string(p.partitionStart) + " nor in its backup " +
                                   std::to_string(backupSector()));
    }
    FatLayout l = fat32Layout(boot);
    std::string first, backup;
    if (!secondFatConfirms(source, p.partitionStart, l, "boot sector", first)) {
        l = fat32Layout(volume::ReadSector(source, backupSector()));
        if (!secondFatConfirms(source, p.partitionStart, l, "backup boot sector", backup))
            return refuse(why, first + "; " + backup);
    }
    storeLayout(p, l, 0, l.rootCluster);
    return 1;
}

} // namespace qr::fat
