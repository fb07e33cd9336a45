#pragma once
// Single-sector reads of the medium for the partition and volume code.
#include "volume/SectorBytes.h"

#include <cstdint>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

// The sector at `sector`; where a failed read could not fill it, it holds zeros.
Sector ReadSector(disk::SectorSource& source, std::uint64_t sector);

} // namespace qr::volume
