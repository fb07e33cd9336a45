#include "disk/UnreadableSectors.h"

#include <algorithm>

namespace qr::disk {

void ForEachUnreadableRun(SectorSource& source, std::uint64_t start, std::uint32_t sectors,
                          std::uint64_t bytes,
                          const std::function<void(std::uint64_t, std::uint64_t)>& each) {
    const auto tell = [&](std::uint32_t first, std::uint32_t count) {
        const std::uint64_t offset = std::uint64_t{first} * kSectorBytes;
        if (offset < bytes)
            each(offset,
                 std::min<std::uint64_t>(std::uint64_t{count} * kSectorBytes, bytes - offset));
    };
    unsigned char sector[kSectorBytes];
    std::uint32_t runStart = 0, runLength = 0;
    for (std::uint32_t i = 0; i < sectors && std::uint64_t{i} * kSectorBytes < bytes; ++i) {
        if (source.readSectors(start + i, 1, sector) != ReadStatus::Complete) {
            if (runLength++ == 0)
                runStart = i;
            continue;
        }
        if (runLength > 0)
            tell(runStart, runLength);
        runLength = 0;
    }
    if (runLength > 0)
        tell(runStart, runLength);
}

} // namespace qr::disk
