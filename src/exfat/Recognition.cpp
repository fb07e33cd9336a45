#include "exfat/Recognition.h"

#include "exfat/BootRegion.h"

#include <limits>

namespace qr::exfat {

std::optional<volume::BootSectorVolume> RecogniseExfatBootSector(disk::ByteView s) {
    if (!HasExfatName(s))
        return std::nullopt;
    const auto boot = DecodeExfatBootSector(s, std::numeric_limits<std::uint64_t>::max() >> 12);
    // A length whose 512-byte count would not fit 64 bits is no disk's.
    if (!boot || boot->volumeLength > std::numeric_limits<std::uint64_t>::max() >> 3)
        return std::nullopt;
    const unsigned scale = boot->bytesPerSectorShift - 9;
    return volume::BootSectorVolume{volume::FileSystemKind::ExFat, boot->volumeLength << scale,
                                    std::uint64_t{boot->heapOffset} << scale,
                                    1u << boot->bytesPerSectorShift};
}

} // namespace qr::exfat
