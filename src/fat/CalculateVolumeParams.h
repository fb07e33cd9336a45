#pragma once
// Reconstruction of a FAT16 or FAT32 layout whose boot sector is missing or damaged,
// from the positions of two directories on the disk: the distance between their
// sectors over the distance between their clusters gives the cluster size, and from
// there the data area, the allocation tables and the reserved area follow.
#include "disk/SectorSource.h"
#include "volume/LayoutRebuild.h"
#include "volume/SearchProgress.h"
#include "volume/VolumeParams.h"

#include <stop_token>
#include <string>

namespace qr::fat {

// Sectors the directory sweep reads per request.
inline constexpr unsigned kCalculateBatchSectors = 2048;

// Fills the layout in `params` for its FAT16 or FAT32 volume, sweeping the volume (up
// to its end and the end of the medium). Reports the LayoutReconstruction phase and
// the sector reached.
volume::Reconstruction CalculateVolumeParams(disk::SectorSource& source,
                                             volume::VolumeParams& params, std::stop_token stop,
                                             volume::SearchProgress& progress);

} // namespace qr::fat
