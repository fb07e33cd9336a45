// NTFS boot-sector validation. The boot sector at the volume's start is the copy in
// use and the one at its last sector the other; a copy whose fields do not hold is
// replaced by the other, and the MFT and its mirror must begin with "FILE".
#include "ntfs/NtfsValidation.h"

#include "ntfs/RecordSize.h"
#include "volume/SectorRead.h"
#include "volume/VolumeParams.h"

#include <algorithm>
#include <utility>

namespace qr::ntfs {
namespace {

// 512-byte sectors per sector of the copy's volume (a bytes-per-sector value other
// than 1024, 2048 or 4096 is read as 512).
std::uint32_t subSectors(const volume::Sector& boot) {
    return std::max(1u, volume::SubSectorsPerSector(boot.u16(0x0B)));
}

// 512-byte sectors per cluster.
std::uint32_t clusterSectors(const volume::Sector& boot) {
    return boot.u8(0x0D) * subSectors(boot);
}

// 512-byte sectors per record of the size code at `offset` (0x40 file records, 0x44
// index records), or 0 when the code gives no record size.
std::uint32_t recordSectors(const volume::Sector& boot, std::size_t offset) {
    const auto bytes =
        RecordBytesFromCode(boot.u8(offset), std::uint64_t{clusterSectors(boot)} * 512);
    return bytes ? *bytes / 512 : 0;
}

bool fieldsHold(const volume::Sector& boot) {
    return volume::IsSectorsPerCluster(boot.u8(0x0D)) && recordSectors(boot, 0x40) != 0;
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
    const auto refuse = [why](std::string reason) {
        if (why)
            *why = std::move(reason);
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
                          "record size of a power of two from 512 to 65536 bytes");
        std::swap(inUse, other);
    }
    const std::uint64_t mft = locateTable(source, p.partitionStart, inUse, other, 0x30);
    const std::uint64_t mirror = locateTable(source, p.partitionStart, inUse, other, 0x38);
    p.mftStart = mft;
    p.mftMirrorStart = mirror;
    if (mft == 0 && mirror == 0)
        return refuse("neither the MFT nor its mirror begins with FILE");
    // The MFT's own first record says how large its records are: a boot sector that
    // gives another size was not written for this MFT.
    const std::uint32_t perRecord = recordSectors(inUse, 0x40);
    const std::uint32_t claimed = volume::ReadSector(source, mft != 0 ? mft : mirror).u32(0x1C);
    if (claimed != perRecord * 512)
        return refuse("the boot sector gives file records of " + std::to_string(perRecord * 512) +
                      " bytes, the MFT's first record " + std::to_string(claimed));
    p.indexRecordSectors = recordSectors(inUse, 0x44);
    p.sectorsPerCluster = clusterSectors(inUse);
    p.mftRecordSectors = perRecord;
    p.cluster0Start = p.partitionStart;
    return 1;
}

} // namespace qr::ntfs
