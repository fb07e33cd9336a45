#pragma once
// Which clusters hold a FAT file's data. The chain read from a FAT copy is trusted only
// when it has exactly as many clusters as the size needs; otherwise the file is taken
// to lie in consecutive clusters from its first one. Clusters outside the volume's
// data area are never read.
#include "fat/FatVolume.h"
#include "volume/VolumeEngine.h"

#include <cstdint>
#include <vector>

namespace qr::fat {

// Consecutive clusters first .. first + count - 1.
struct ClusterRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

struct FileClusters {
    std::vector<ClusterRun> runs; // in file order
    bool fromChain = false;       // a FAT chain was used (else the contiguous rule)
    bool cutShort = false;        // the clusters ran out of the data area
    bool aroundTaken = false;     // the free clusters around a live file's were followed
};

// Clusters a file of `size` bytes needs at `clusterBytes` per cluster.
std::uint32_t NeededClusters(std::uint64_t size, std::uint64_t clusterBytes);

// The highest cluster number the volume can hold (by its FAT size and its end, and
// by the end of the medium).
std::uint32_t HighestCluster(const FatVolume& volume);

// The clusters of a file by the saving mode (Automatic: the first FAT copy, then the
// second; or one copy; Contiguous: consecutive clusters).
FileClusters ChooseFileClusters(const FatVolume& volume, std::uint32_t firstCluster,
                                std::uint32_t neededCount, volume::ClusterSource source);

} // namespace qr::fat
