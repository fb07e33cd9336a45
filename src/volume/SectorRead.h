#pragma once
// Single-sector reads of the selected disk for the partition and volume code.
#include "volume/SectorBytes.h"

#include <cstdint>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::volume {

// The sector at `sector`; where a failed read could not fill it, it holds zeros.
Sector ReadSector(app::RecoveryContext& ctx, std::uint64_t sector);

} // namespace qr::volume
