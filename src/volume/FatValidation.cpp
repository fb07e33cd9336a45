// FAT16 and FAT32 boot-sector validation. The second allocation table must begin with
// the media byte 0xF8; zero or absurd layout fields count as an invalid boot sector.
#include "app/RecoveryContext.h"
#include "volume/SectorRead.h"
#include "volume/VolumeValidation.h"

#include <string>

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

FatLayout fat16Layout(const Sector& boot) {
    return {boot.u8(0x0D), boot.u16(0x0E), boot.u16(0x16), boot.u16(0x11), 0};
}

// Sectors per FAT and the root cluster are full 32-bit fields on FAT32.
FatLayout fat32Layout(const Sector& boot) {
    return {boot.u8(0x0D), boot.u16(0x0E), boot.u32(0x24), 0, boot.u32(0x2C)};
}

// Empty when the layout is plausible, else what is wrong with it.
std::string implausibility(const FatLayout& l) {
    if (!IsSectorsPerCluster(l.sectorsPerCluster))
        return "sectors per cluster " + std::to_string(l.sectorsPerCluster) +
               " is not a power of two from 1 to 128";
    if (l.reservedSectors == 0)
        return "no reserved sectors";
    if (l.sectorsPerFat == 0)
        return "sectors per FAT is 0";
    return {};
}

// True when the layout is plausible and its second table begins with the media byte;
// otherwise `why` says which check failed.
bool secondFatConfirms(app::RecoveryContext& ctx, const FatLayout& l, const char* copy,
                       std::string& why) {
    if (std::string wrong = implausibility(l); !wrong.empty()) {
        why = std::string(copy) + ": " + wrong;
        return false;
    }
    const std::uint64_t secondFat =
        ctx.volumeParams.partitionStart + l.reservedSectors + l.sectorsPerFat;
    const std::uint8_t media = ReadSector(ctx, secondFat).u8(0);
    if (media == kFixedDiskMedia)
        return true;
    why = std::string(copy) + ": the second FAT at sector " + std::to_string(secondFat) +
          " begins with " + std::to_string(media) + ", not the media byte 248 (F8)";
    return false;
}

int refuse(std::string* why, std::string reason) {
    if (why)
        *why = std::move(reason);
    return 0;
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

int ValidateFat16Volume(app::RecoveryContext& ctx, std::string* why) {
    VolumeParams& p = ctx.volumeParams;
    const Sector boot = ReadSector(ctx, p.partitionStart);
    if (!boot.hasBootSignature())
        return refuse(why, "no boot signature 55 AA in sector " + std::to_string(p.partitionStart));
    const FatLayout l = fat16Layout(boot);
    std::string reason;
    if (!secondFatConfirms(ctx, l, "boot sector", reason))
        return refuse(why, reason);
    const std::uint32_t rootSectors = (l.rootEntries / 16) & 0xFFF;
    const std::uint64_t rootStart = p.partitionStart + l.reservedSectors + 2ull * l.sectorsPerFat;
    storeLayout(p, l, rootSectors, static_cast<std::uint32_t>(rootStart));
    return 1;
}

int ValidateFat32Volume(app::RecoveryContext& ctx, std::string* why) {
    VolumeParams& p = ctx.volumeParams;
    Sector boot = ReadSector(ctx, p.partitionStart);
    if (!boot.hasBootSignature()) {
        boot = ReadSector(ctx, p.partitionStart + kFat32BackupOffset);
        if (!boot.hasBootSignature())
            return refuse(why, "no boot signature 55 AA in sector " +
                                   std::to_string(p.partitionStart) + " nor in its backup " +
                                   std::to_string(p.partitionStart + kFat32BackupOffset));
    }
    FatLayout l = fat32Layout(boot);
    std::string first, backup;
    if (!secondFatConfirms(ctx, l, "boot sector", first)) {
        l = fat32Layout(ReadSector(ctx, p.partitionStart + kFat32BackupOffset));
        if (!secondFatConfirms(ctx, l, "backup boot sector", backup))
            return refuse(why, first + "; " + backup);
    }
    storeLayout(p, l, 0, l.rootCluster);
    return 1;
}

} // namespace qr::volume
