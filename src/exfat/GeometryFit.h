#pragma once
// Whether the entry sets of a directory cluster describe data the geometry puts where
// they say: a folder's first cluster must hold directory entries, and a file whose
// extension names a known format must begin with that format's signature. Entry sets
// an earlier format left behind (another cluster size or heap start) fail both.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "exfat/EntrySet.h"
#include "exfat/Geometry.h"

namespace qr::exfat {

enum class SetFit { Fits, Contradicts, Unknown };

// The set's data as the geometry places its first cluster, looked at in its first
// sector (one read).
SetFit CheckSetFit(disk::SectorSource& source, const Geometry& geometry, const EntrySet& set);

// True when the cluster's sets (at most a few of them are checked) contradict the
// geometry clearly more often than they fit it.
bool ClusterContradictsGeometry(disk::SectorSource& source, const Geometry& geometry,
                                disk::ByteView cluster);

} // namespace qr::exfat
