#pragma once
// The clusters of a deleted FAT file. Its chain is gone, so it is taken to lie in the
// consecutive clusters from its first one; where those run into clusters a live file
// holds (a nonzero entry in the first FAT), it may instead have been written around
// that file, in the free clusters only. The two readings are told apart by how they
// end (volume/FreeClusterReading.h).
#include "fat/FatExtractClusters.h"
#include "fat/FatVolume.h"

#include <cstdint>
#include <string_view>

namespace qr::fat {

// The first free cluster, then the free clusters behind it, up to `needed`; empty when
// the volume has no FAT to tell free clusters by.
std::vector<ClusterRun> FreeClustersFrom(const FatVolume& volume, std::uint32_t first,
                                         std::uint32_t needed);

// ChooseFileClusters, then for a file read by the contiguous rule in Automatic mode
// whose clusters meet a live file's, the free-cluster reading when it wins.
FileClusters ChooseDeletedFileClusters(const FatVolume& volume, std::string_view name,
                                       std::uint64_t size, std::uint32_t first,
                                       std::uint32_t needed, volume::ClusterSource source);

} // namespace qr::fat
