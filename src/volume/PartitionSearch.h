#pragma once
// The partition search: when reading the disk fails on the disk step, when its table
// has failed, or when the user asks, the disk is searched for FAT32, FAT16 and NTFS
// boot sectors (volume/VolumeSearch.h; the cylinder geometry comes from the disk
// listing's registry values, else from the medium's size) and the partition record
// and tree are rebuilt from what is found. The worker and its hand-off with the table
// reading live with the recovery context, in the application layer.
#include <cstdint>
#include <stop_token>

#include "volume/VolumeSearch.h"

namespace qr::disk {
class SectorSource;
}
namespace qr::platform {
class RegistryStore;
}

namespace qr::volume {

struct SearchGeometry {
    std::uint64_t cylinders = 0;
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
};

// Geometry with other than 63 sectors per track is recomputed as 255 heads and 63
// sectors per track over the same number of sectors (remainder dropped).
SearchGeometry NormaliseGeometry(std::uint64_t cylinders, std::uint64_t sectorsPerTrack,
                                 std::uint64_t heads);

// Disk `disk`'s geometry from the registry (0 for missing values), normalised.
SearchGeometry ReadSearchGeometry(platform::RegistryStore* registry, unsigned disk);

struct PartitionListingTarget;
class PartitionSearchView;

// Forgets the partitions listed so far. Their tree items go too: the tree is rebuilt
// with a root of the same text ("Disk " + `disk` when it had none), so no item is left
// that no slot refers to.
void ForgetPartitions(PartitionListingTarget& target, unsigned disk);

// The sweep over `source` with geometry `g` (cylinders 0: the medium's size gives the
// usual 255 x 63 one); lists what it finds into `target` and polls `stop` between reads.
VolumeSearchOutcome SweepForPartitions(disk::SectorSource& source, SearchGeometry g,
                                       PartitionListingTarget& target, PartitionSearchView& view,
                                       std::stop_token stop);

// The search ended: tells `view` the first partition listed and expands the tree.
void AnnouncePartitionsFound(PartitionListingTarget& target, PartitionSearchView& view,
                             bool showRange);

} // namespace qr::volume
