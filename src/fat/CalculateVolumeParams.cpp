#include "fat/CalculateVolumeParams.h"

#include "disk/Sweep.h"
#include "volume/SectorBytes.h"

#include <algorithm>

namespace qr::fat {
namespace {

constexpr std::uint32_t kProgressEvery = 500;
constexpr std::uint32_t kFat16RootSectors = 32; // a root directory of 512 entries
constexpr std::uint32_t kInvalidCluster = 0xFFFFFFFFu;

struct Variant {
    bool fat32 = false;
    std::uint32_t rootSectors = 0; // the fixed root directory between tables and data
};

// The last sector among `count` sectors from `from` that begins with 0xF8 0xFF (the
// head of an allocation table), as a distance from the volume's start; 0 for none.
std::uint64_t lastTableHead(disk::SectorSource& source, std::uint64_t partitionStart,
                            std::uint64_t from, unsigned count) {
    std::uint64_t found = 0;
    unsigned char bytes[disk::kSectorBytes];
    for (unsigned n = 0; n < count; ++n) {
        source.readSectors(from + n, 1, bytes);
        const disk::ByteView s(bytes, sizeof bytes);
        if (s.u8(0) == 0xF8 && s.u8(1) == 0xFF)
            found = from + n - partitionStart;
    }
    return found;
}

bool isDirectoryHead(disk::ByteView s) {
    return s.u8(0) == '.' && s.u8(1) == ' ' && s.u8(0x20) == '.' && s.u8(0x21) == '.' &&
           s.u8(0x22) == ' ';
}

struct Anchor {
    bool set = false;
    std::uint64_t sector = 0;  // h
    std::uint32_t cluster = 0; // g
};

class Fit {
public:
    Fit(volume::VolumeParams& params, Variant v, std::uint64_t reserved)
        : params_(params), v_(v), reserved_(reserved) {}

    // Looks at the sector `i`; true when it completed the layout.
    bool examine(std::uint64_t i, disk::ByteView s) {
        if (!isDirectoryHead(s))
            return false;
        const std::uint32_t low = s.u16(0x1A);
        const std::uint32_t full = low | (static_cast<std::uint32_t>(s.u16(0x14)) << 16);
        if (!anchor_.set) {
            if (full < 2 || (v_.fat32 && full == kInvalidCluster))
                return false;
            anchor_ = {true, i, full};
            return false;
        }
        // FAT16 takes the upper half only for the anchor.
        const std::uint32_t f = v_.fat32 ? full : low;
        if (v_.fat32 && f == kInvalidCluster)
            return false;
        return tryFit(i, f);
    }

private:
    bool tryFit(std::uint64_t i, std::uint32_t f) {
        const std::uint64_t h = anchor_.sector;
        const std::uint32_t g = anchor_.cluster;
        if (f <= g || f >= i || f >= h)
            return false;
        const std::uint64_t distance = i - h;
        const std::uint64_t clusters = f - g;
        if (distance % clusters != 0)
            return false;
        const std::uint64_t spc = distance / clusters;
        if (!volume::IsSectorsPerCluster(
                static_cast<std::uint32_t>(std::min<std::uint64_t>(spc, 256))))
            return false;
        // The data area must lie behind the reserved area, the root and two tables.
        volume::VolumeParams& p = params_;
        if (spc * g > h)
            return false;
        const std::uint64_t cluster2 = h - spc * (g - 2);
        const std::uint64_t front = reserved_ + p.partitionStart + v_.rootSectors;
        if (cluster2 <= front + 1)
            return false;
        const std::uint64_t sectorsPerFat = (cluster2 - front) / 2;
        p.sectorsPerCluster = static_cast<std::uint32_t>(spc);
        p.cluster0Start = static_cast<std::uint32_t>(h - spc * g);
        p.sectorsPerFat = static_cast<std::uint32_t>(sectorsPerFat);
        p.firstFat = static_cast<std::uint32_t>(p.partitionStart + reserved_);
        p.secondFat = p.firstFat + p.sectorsPerFat;
        if (!v_.fat32)
            p.rootStart = p.secondFat + p.sectorsPerFat;
        p.reservedSectors = static_cast<std::uint32_t>(reserved_);
        return true;
    }

    volume::VolumeParams& params_;
    Variant v_;
    std::uint64_t reserved_;
    Anchor anchor_;
};

} // namespace

volume::Reconstruction CalculateVolumeParams(disk::SectorSource& source, volume::VolumeParams& p,
                                             std::stop_token stop,
                                             volume::SearchProgress& progress) {
    progress.phase(volume::SearchPhase::LayoutReconstruction);
    Variant v;
    std::uint64_t reserved;
    if (p.kind() == volume::FileSystemKind::Fat16) {
        reserved = lastTableHead(source, p.partitionStart, p.partitionStart, 10);
        if (reserved == 0)
            reserved = 1;
        v.rootSectors = kFat16RootSectors;
        p.rootSectors = kFat16RootSectors;
    } else if (p.kind() == volume::FileSystemKind::Fat32) {
        reserved = lastTableHead(source, p.partitionStart, p.partitionStart + 30, 30);
        if (reserved == 0)
            reserved = 32;
        v.fat32 = true;
        p.rootStart = 2;
        p.rootSectors = 0;
    } else {
        return {volume::ReconstructionOutcome::NotFat, "not a FAT16 or FAT32 volume"};
    }

    Fit fit(p, v, reserved);
    bool rebuilt = false;
    std::uint64_t sinceProgress = 0;
    disk::SweepOptions options;
    options.batchSectors = kCalculateBatchSectors;
    // Sectors behind the end of the medium read as zeros and hold no directory: the
    // sweep stops at the end of the medium whatever end the volume claims.
    const disk::SweepOutcome swept = disk::SweepBatches(
        source, {p.partitionStart, p.partitionEnd}, options, stop,
        [&](std::uint64_t first, disk::ByteView bytes) {
            const std::uint64_t count = bytes.size() / disk::kSectorBytes;
            for (std::uint64_t n = 0; n < count; ++n) {
                const std::uint64_t i = first + n;
                if (fit.examine(i, bytes.sub(n * disk::kSectorBytes, disk::kSectorBytes))) {
                    rebuilt = true;
                    return false;
                }
                if (++sinceProgress == kProgressEvery) {
                    sinceProgress = 0;
                    progress.position(i, p.partitionEnd);
                }
            }
            return true;
        });
    if (rebuilt)
        return {volume::ReconstructionOutcome::Rebuilt, {}};
    if (stop.stop_requested())
        return {volume::ReconstructionOutcome::Stopped, "stopped"};
    if (swept.end == disk::SweepEnd::Stopped && swept.next == p.partitionStart)
        return {volume::ReconstructionOutcome::NoMemory, "no memory for the read buffer"};
    return {volume::ReconstructionOutcome::NotFound,
            "no two directory heads in sectors " + std::to_string(p.partitionStart) + " to " +
                std::to_string(swept.clampedEnd) +
                " give a power-of-two cluster size with the data area behind the tables"};
}

} // namespace qr::fat
