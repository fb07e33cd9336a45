#pragma once
// Reconstruction of a FAT16 or FAT32 layout whose boot sector is missing or damaged,
// from the positions of two directories on the disk: the distance between their
// sectors over the distance between their clusters gives the cluster size, and from
// there the data area, the allocation tables and the reserved area follow.
#include <stop_token>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::volume {

// Sectors the directory scan reads per request.
inline constexpr unsigned kCalculateBatchSectors = 2048;

// Fills the layout in volumeParams for its FAT16 or FAT32 volume. Returns 1 when the
// layout could be reconstructed, 0 otherwise (always 0 for other file systems or
// when `stop` is requested).
int CalculateVolumeParams(app::RecoveryContext& ctx, std::stop_token stop = {});

} // namespace qr::volume
