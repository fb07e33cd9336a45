// FAT16 and FAT32 boot-sector validation. The second allocation table must begin with
// the media byte 0xF8; zero or absurd layout fields count as an invalid boot sector.
#include "app/RecoveryContext.h"
#include "volume/FatBootSector.h"
#include "volume/SectorRead.h"
#include "volume/VolumeValidation.h"

namespace qr::volume {
namespace {

constexpr std::uint8_t kFixedDiskMedia = 0xF8;
constexpr std::uint64_t kFat32BackupOffset = 6;

struct FatLayout {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t rootEntries = 0; // FAT16
    std::uint32_t rootCluster = 0; // FAT32
};

FatLayout fat16Layout(const Sector& sector) {
    const FatBootSector boot = DecodeFatBootSector(disk::ByteView(sector.bytes));
    return {boot.sectorsPerCluster, boot.reservedSectors, boot.sectorsPerFat16, boot.rootEntries,
            0};
}

// Sectors per FAT and the root cluster are full 32-bit fields on FAT32.
FatLayout fat32Layout(const Sector& sector) {
    const FatBootSector boot = DecodeFatBootSector(disk::ByteView(sector.bytes));
    return {boot.sectorsPerCluster, boot.reservedSectors, boot.sectorsPerFat32, 0,
            boot.rootCluster};
}

bool plausible(const FatLayout& l) {
    return IsSectorsPerCluster(l.sectorsPerCluster) && l.reservedSectors > 0 && l.sectorsPerFat > 0;
}

// True when the layout is plausible and its second table begins with the media byte.
bool secondFatConfirms(app::RecoveryContext& ctx, const FatLayout& l) {
    if (!plausible(l))
        return false;
    const std::uint64_t secondFat =
        ctx.volumeParams.partitionStart + l.reservedSectors + l.sectorsPerFat;
    return ReadSector(ctx, secondFat).u8(0) == kFixedDiskMedia;
}

void storeLayout(VolumeParams& p, const FatLayout& l, std::uint32_t rootSectors,
                 std::uint32_t rootStart) {
    const std::uint64_t firstFat = p.partitionStart + l.reservedSectors;
    const std::uint64_t dataStart = firstFat + 2ull * l.sectorsPerFat + rootSectors;
    p.sectorsPerFat = l.sectorsPerFat;
    p.sectorsPerCluster = l.sectorsPerCluster;
    p.reservedSectors = l.reservedSectors;
    p.rootSectors = rootSectors;
    p.rootStart = rootStart;
    p.firstFat = static_cast<std::uint32_t>(firstFat);
    p.secondFat = static_cast<std::uint32_t>(firstFat + l.sectorsPerFat);
    p.cluster0Start = static_cast<std::uint32_t>(dataStart - 2ull * l.sectorsPerCluster);
}

} // namespace

int ValidateFat16Volume(app::RecoveryContext& ctx) {
    VolumeParams& p = ctx.volumeParams;
    const Sector boot = ReadSector(ctx, p.partitionStart);
    if (!boot.hasBootSignature())
        return 0;
    const FatLayout l = fat16Layout(boot);
    if (!secondFatConfirms(ctx, l))
        return 0;
    const std::uint32_t rootSectors = (l.rootEntries / 16) & 0xFFF;
    const std::uint64_t rootStart = p.partitionStart + l.reservedSectors + 2ull * l.sectorsPerFat;
    storeLayout(p, l, rootSectors, static_cast<std::uint32_t>(rootStart));
    return 1;
}

int ValidateFat32Volume(app::RecoveryContext& ctx) {
    VolumeParams& p = ctx.volumeParams;
    Sector boot = ReadSector(ctx, p.partitionStart);
    if (!boot.hasBootSignature()) {
        boot = ReadSector(ctx, p.partitionStart + kFat32BackupOffset);
        if (!boot.hasBootSignature())
            return 0;
    }
    FatLayout l = fat32Layout(boot);
    if (!secondFatConfirms(ctx, l)) {
        l = fat32Layout(ReadSector(ctx, p.partitionStart + kFat32BackupOffset));
        if (!secondFatConfirms(ctx, l))
            return 0;
    }
    storeLayout(p, l, 0, l.rootCluster);
    return 1;
}

} // namespace qr::volume
