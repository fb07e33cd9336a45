#pragma once
// The search for volumes on a disk whose partition table is lost: boot sectors are
// looked for where partitioning tools put volumes — the first and the 63rd sector of
// every cylinder, every 1 MiB boundary over the whole medium, and every 64 sectors below
// the first 1 MiB (in 512-byte sectors; on a medium of larger sectors only those on its
// own sector boundaries) —
// reading only those sectors (and the FAT32 backup six sectors behind each).
// Volumes are reported in disk order; one lying inside a volume found before is not
// reported again.
#include "disk/SectorSource.h"
#include "volume/BootSectorCheck.h"

#include <cstdint>
#include <functional>
#include <stop_token>

namespace qr::volume {

struct VolumeSearchPlan {
    std::uint64_t cylinders = 0;
    std::uint64_t cylinderSectors = 0; // heads x sectors per track; 0: no cylinder grid
    std::uint64_t sectorsPerTrack = 0;
    // 512-byte sectors per sector of the medium: only candidates on the medium's own
    // sector boundaries are looked at.
    std::uint64_t subSectors = 1;
};

struct FoundVolumeAt {
    FileSystemKind kind = FileSystemKind::None;
    std::uint64_t start = 0;
    std::uint64_t end = 0;           // start + the boot sector's volume size
    std::uint32_t sectorBytes = 512; // the volume's own sector size
};

enum class VolumeSearchEnd { Finished, Stopped, MediumLost };

struct VolumeSearchOutcome {
    VolumeSearchEnd end = VolumeSearchEnd::Finished;
    std::uint64_t candidates = 0; // candidate sectors examined
    std::uint64_t sectorsRead = 0;
};

// The candidate sectors below `end`, in ascending order without repeats.
class SearchCandidates {
public:
    SearchCandidates(const VolumeSearchPlan& plan, std::uint64_t end);
    // False when there are no more.
    bool next(std::uint64_t& sector);

private:
    std::uint64_t end_;
    std::uint64_t cylinderSectors_;
    std::uint64_t cylinderEnd_;
    std::uint64_t track_;
    std::uint64_t fine_ = 0;        // next multiple of 64 below 2048
    std::uint64_t mib_ = 2048;      // next 1 MiB boundary
    std::uint64_t cylinder_ = 0;    // next cylinder start
    std::uint64_t trackSector_ = 0; // next cylinder start + sectors per track
};

// Examines every candidate below the end of the disk, however far; `found` is
// called for each volume (return false to stop), `progress` with the sector reached.
// The stop token is polled before every read.
VolumeSearchOutcome
SearchVolumes(disk::SectorSource& source, const VolumeSearchPlan& plan, std::stop_token stop,
              const std::function<bool(const FoundVolumeAt&)>& found,
              const std::function<void(std::uint64_t at, std::uint64_t end)>& progress = {});

} // namespace qr::volume
