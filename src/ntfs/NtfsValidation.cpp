// NTFS boot-sector validation. The boot sector at the volume's start is the copy in
// use and the one at its last sector the other; a copy whose fields do not hold is
// replaced by the other, and the MFT and its mirror must begin with "FILE".
#include "ntfs/NtfsValidation.h"

#include "volume/SectorRead.h"
#include "volume/VolumeParams.h"

#include <algorithm>
#include <utility>

namespace qr::ntfs {
namespace {

constexpr std::uint8_t kRecordOf1024Bytes = 0xF6;
constexpr std::uint8_t kIndexOf4096Bytes = 0xF4;

// 512-byte sectors per sector of the copy's volume (a bytes-per-sector value other
// than 1024, 2048 or 4096 is read as 512).
std::uint32_t subSectors(const volume::Sector& boot) {
    return std::max(1u, volume::SubSectorsPerSector(boot.u16(0x0B)));
}

// 512-byte sectors per cluster.
std::uint32_t clusterSectors(const volume::Sector& boot) {
    return boot.u8(0x0D) * subSectors(boot);
}

// 512-byte sectors per file record, or 0 when the copy's value is not 2, 4, 6 or 8.
std::uint32_t recordSectors(const volume::Sector& boot) {
    const std::uint8_t perRecord = boot.u8(0x40);
    if (perRecord == kRecordOf1024Bytes)
        return 2;
    const std::uint32_t sectors = clusterSectors(boot) * static_cast<std::uint32_t>(perRecord);
    return sectors == 2 || sectors == 4 || sectors == 6 || sectors == 8 ? sectors : 0;
}

bool fieldsHold(const volume::Sector& boot) {
    return volume::IsSectorsPerCluster(boot.u8(0x0D)) && recordSectors(boot) != 0;
}

// First sector of the MFT (or its mirror) by the cluster at `clusterOffset`, tried in
// `inUse` and then in `other`; 0 when neither points at a "FILE" record.
std::uint64_t locateTable(disk::SectorSource& source, std::uint64_t start,
                          const volume::Sector& inUse, const volume::Sector& other,
                          std::size_t clusterOffset) {
    const std::uint32_t spc = clusterSectors(inUse);
    for (const volume::Sector* copy : {&inUse, &other}) {
        const std::uint64_t sector =
            start + static_cast<std::uint64_t>(spc) * copy->u32(clusterOffset);
        if (volume::ReadSector(source, sector).hasText(0, "FILE"))
            return sector;
    }
    return 0;
}

} // namespace

int ValidateNtfsVolume(disk::SectorSource* medium, volume::VolumeParams& p, std::string* why) {
    if (!medium) {
        if (why)
            *why = "no medium";
        return 0;
    }
    disk::SectorSource& source = *medium;
    const auto refuse = [why](const char* reason) {
        if (why)
            *why = reason;
        return 0;
    };
    volume::Sector inUse = volume::ReadSector(source, p.partitionStart);
    // The other copy is the volume's last sector of its own size.
    const std::uint32_t lastSubSectors = subSectors(inUse);
    volume::Sector other = volume::ReadSector(
        source, p.partitionEnd -
                    std::min<std::uint64_t>(lastSubSectors - 1, p.partitionEnd - p.partitionStart));
    if (!inUse.hasBootSignature()) {
        if (!other.hasBootSignature())
            return refuse("no boot signature 55 AA in the first or the last sector");
        std::swap(inUse, other);
    }
    if (!fieldsHold(inUse)) {
        if (!fieldsHold(other))
            return refuse("neither boot sector has a power-of-two cluster size and a file "
                          "record of 2, 4, 6 or 8 sectors");
        std::swap(inUse, other);
    }
    const std::uint64_t mft = locateTable(source, p.partitionStart, inUse, other, 0x30);
    const std::uint64_t mirror = locateTable(source, p.partitionStart, inUse, other, 0x38);
    p.mftStart = mft;
    p.mftMirrorStart = mirror;
    if (mft == 0 && mirror == 0)
        return refuse("neither the MFT nor its mirror begins with FILE");
    const std::uint32_t spc = clusterSectors(inUse);
    const std::uint8_t perIndex = inUse.u8(0x44);
    p.indexRecordSectors = perIndex == kIndexOf4096Bytes ? 8 : perIndex * spc;
    p.sectorsPerCluster = spc;
    p.mftRecordSectors = recordSectors(inUse);
    p.cluster0Start = p.partitionStart;
    return 1;
}

} // namespace qr::ntfs
