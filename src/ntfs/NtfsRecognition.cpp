#include "ntfs/NtfsRecognition.h"

#include "volume/SectorBytes.h"

namespace qr::ntfs {

std::optional<volume::BootSectorVolume> RecogniseNtfsBootSector(disk::ByteView s) {
    if (!s.matches(0x03, "NTFS"))
        return std::nullopt;
    const std::uint32_t perCluster = s.u8(0x0D);
    const std::uint64_t total = s.u64(0x28);
    if (s.u16(0x0B) != 512 || !volume::IsSectorsPerCluster(perCluster) || total == 0)
        return std::nullopt;
    const std::uint64_t mft = s.u64(0x30), mirror = s.u64(0x38);
    // Both tables lie inside the volume (cluster numbers checked before multiplying).
    if (mft == 0 || mirror == 0 || mft >= total / perCluster || mirror >= total / perCluster)
        return std::nullopt;
    return volume::BootSectorVolume{volume::FileSystemKind::Ntfs, total, 16};
}

} // namespace qr::ntfs
