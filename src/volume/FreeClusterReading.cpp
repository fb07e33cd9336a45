#include "volume/FreeClusterReading.h"

#include "volume/EndingCheck.h"

#include <algorithm>

namespace qr::volume {

std::vector<unsigned char> TailOfRuns(disk::SectorSource& source,
                                      const std::vector<SectorRun>& runs, std::uint64_t size) {
    std::uint64_t held = 0;
    for (const SectorRun& run : runs)
        held += run.count * disk::kSectorBytes;
    const std::uint64_t end = std::min(size, held);
    const std::uint64_t start = end - std::min<std::uint64_t>(end, kEndingCheckBytes);
    std::vector<unsigned char> tail;
    tail.reserve(static_cast<std::size_t>(end - start));
    unsigned char sector[disk::kSectorBytes];
    std::uint64_t at = 0; // file offset of the current run's first byte
    for (const SectorRun& run : runs) {
        const std::uint64_t runBytes = run.count * disk::kSectorBytes;
        if (at + runBytes > start) {
            // A sector the medium does not give reads as zeros.
            for (std::uint64_t i = (std::max(start, at) - at) / disk::kSectorBytes;
                 i < run.count && at + i * disk::kSectorBytes < end; ++i) {
                const std::uint64_t sectorAt = at + i * disk::kSectorBytes;
                source.readSectors(run.first + i, 1, sector);
                const std::uint64_t from = std::max(start, sectorAt) - sectorAt;
                const std::uint64_t to =
                    std::min<std::uint64_t>(end - sectorAt, disk::kSectorBytes);
                tail.insert(tail.end(), sector + from, sector + to);
            }
        }
        at += runBytes;
        if (at >= end)
            break;
    }
    return tail;
}

bool FreeReadingWins(disk::SectorSource& source, std::string_view name, std::uint64_t size,
                     const std::vector<SectorRun>& consecutive,
                     const std::vector<SectorRun>& free) {
    const auto verdict = [&](const std::vector<SectorRun>& runs) {
        const std::vector<unsigned char> tail = TailOfRuns(source, runs, size);
        return CheckEnding(name, disk::ByteView(tail.data(), tail.size()));
    };
    if (verdict(consecutive) != ContentVerdict::Fits)
        return true;
    return verdict(free) == ContentVerdict::Fits;
}

} // namespace qr::volume
