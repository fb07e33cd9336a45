#include "disk/UnreadableSectors.h"

#include "disk/FailedSectors.h"

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
    // A source that remembers its failures has just found them, in the read that came
    // back Partial: nothing is read again.
    if (const auto* memory = dynamic_cast<const RemembersFailures*>(&source)) {
        const std::uint64_t covered =
            std::min<std::uint64_t>(sectors, (bytes + kSectorBytes - 1) / kSectorBytes);
        memory->failedSectors().forEachIn(
            start, covered, [&](std::uint64_t first, std::uint64_t n) {
                tell(static_cast<std::uint32_t>(first - start), static_cast<std::uint32_t>(n));
            });
        return;
    }
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
