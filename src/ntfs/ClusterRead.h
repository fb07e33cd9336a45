#pragma once
// Reads of whole clusters of an NTFS volume, limited to the volume and the medium, and
// the content of small non-resident attributes (attribute lists) read through their
// runs.
#include "disk/SectorSource.h"
#include "ntfs/Attribute.h"
#include "ntfs/NtfsGeometry.h"

#include <cstdint>
#include <vector>

namespace qr::ntfs {

struct ClusterRead {
    std::uint64_t inside = 0; // leading clusters that lie inside the volume and the medium
    bool unreadable = false;  // some sector inside could not be read (zero-filled)
    bool noMedium = false;
};

// How many of `count` clusters from `cluster` lie inside the volume and the medium.
std::uint64_t ClustersInside(const NtfsGeometry& geometry, std::uint64_t mediumSectors,
                             std::uint64_t cluster, std::uint64_t count);

// Reads `count` clusters from `cluster` into `buffer` (count * cluster bytes). What
// lies outside the volume or the medium is zero-filled and not read.
ClusterRead ReadClusters(disk::SectorSource& source, const NtfsGeometry& geometry,
                         std::uint64_t mediumSectors, std::uint64_t cluster, std::uint64_t count,
                         unsigned char* buffer);

// The value of a non-resident attribute, at most `maxBytes` (and at most its real
// size); sparse runs and clusters outside the volume read as zeros.
std::vector<unsigned char> ReadNonResidentValue(disk::SectorSource& source,
                                                const NtfsGeometry& geometry,
                                                const Attribute& attribute, std::uint64_t maxBytes);

} // namespace qr::ntfs
