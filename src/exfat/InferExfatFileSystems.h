#pragma once
// The exFAT file systems that lay in a swept range. A boot region gives one whole. The
// others come from folders alone: a folder's entry set names the first cluster of the
// folder, and the folder's own entry sets were found at some sector, so for the right
// cluster size and heap start, sector = heap start + (cluster - 2) * sectors per
// cluster holds for every such pair of one volume. Each cluster size votes for the heap
// start of every (named cluster, found sector) pair; the largest group of pairs that
// agree is a file system, and is never blended with another. Its root is the found
// root directory (allocation bitmap entry) on its cluster grid whose bitmap fits the
// range and whose folders belong to the group.
#include "exfat/Geometry.h"
#include "exfat/StructureSweep.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qr::exfat {

struct ExfatFileSystem {
    Geometry geometry;         // fatStart and fatSectors are 0 while no FAT is known
    bool fromBoot = false;     // its boot region was found
    std::uint64_t folders = 0; // distinct folders whose first cluster it explains
    std::optional<FoundRootEntries> root;
};

// At most this many file systems are inferred from folders alone.
inline constexpr std::size_t kMostInferredSystems = 8;

// Boot regions first (a backup beside its main region counts once), then the inferred
// ones, largest first. `findings.setStarts` is in sector order, as the sweep wrote it.
std::vector<ExfatFileSystem> InferExfatFileSystems(const ExfatFindings& findings);

// True when the folder set is one of the file system's: it lies in the heap and its
// first cluster begins with an entry set where the geometry puts it.
bool ExplainsFolder(const Geometry& geometry, const ExfatFindings& findings,
                    const FoundFolderSet& folder);

// The clusters of the file system's grid in whose first sector an entry set begins, in
// heap order.
std::vector<std::uint32_t> FoundDirectoryClusters(const Geometry& geometry,
                                                  const ExfatFindings& findings);

} // namespace qr::exfat
