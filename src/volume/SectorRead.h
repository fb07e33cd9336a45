#pragma once
// Single-sector reads of the medium for the partition and volume code.
#include "volume/SectorBytes.h"

#include <cstdint>
#include <vector>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

// The sector at `sector`; where a failed read could not fill it, it holds zeros.
Sector ReadSector(disk::SectorSource& source, std::uint64_t sector);

// `count` whole sectors of `sectorSize` bytes from `start`; what could not be read is zeros.
std::vector<unsigned char> ReadSectorBytes(disk::SectorSource& source, std::uint64_t start,
                                           std::uint32_t count, std::uint32_t sectorSize);

} // namespace qr::volume
