#pragma once
// Whether the medium fails on an exFAT folder's directory: the search then listed none
// of the entries of what failed, so the folder's files are not all known.
#include "disk/SectorSource.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"

#include <cstdint>

namespace qr::exfat {

// Reads the directory that starts at `firstCluster`: its first cluster and the clusters
// its FAT chain gives (a directory in consecutive clusters has no chain, and without its
// length only its first cluster is known), the first 4 MiB at most. The sector reader
// remembers the sectors a search failed on, so a failure found then costs no new read of
// the medium. True when a sector of it cannot be read.
bool DirectoryUnreadable(disk::SectorSource& source, const Geometry& geometry, FatTable& fat,
                         std::uint32_t firstCluster);

} // namespace qr::exfat
