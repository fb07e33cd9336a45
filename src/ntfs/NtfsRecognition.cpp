#include "ntfs/NtfsRecognition.h"

#include "volume/SectorBytes.h"

namespace qr::ntfs {

std::optional<volume::BootSectorVolume> RecogniseNtfsBootSector(disk::ByteView s) {
    if (!s.matches(0x03, "NTFS"))
        return std::nullopt;
    const std::uint32_t bytesPerSector = s.u16(0x0B);
    const std::uint64_t scale = volume::SubSectorsPerSector(bytesPerSector);
    const std::uint32_t perCluster = s.u8(0x0D);
    const std::uint64_t total = s.u64(0x28);
    // The 512-byte count must fit 64 bits.
    if (scale == 0 || !volume::IsSectorsPerCluster(perCluster) || total == 0 ||
        total > ~std::uint64_t{0} / scale)
        return std::nullopt;
    const std::uint64_t mft = s.u64(0x30), mirror = s.u64(0x38);
    // Both tables lie inside the volume (cluster numbers checked before multiplying).
    if (mft == 0 || mirror == 0 || mft >= total / perCluster || mirror >= total / perCluster)
        return std::nullopt;
    return volume::BootSectorVolume{volume::FileSystemKind::Ntfs, total * scale, 16 * scale,
                                    bytesPerSector};
}

} // namespace qr::ntfs
