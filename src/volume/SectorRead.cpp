#include "volume/SectorRead.h"

#include "disk/SectorSource.h"

namespace qr::volume {

Sector ReadSector(disk::SectorSource& source, std::uint64_t sector) {
    Sector s;
    source.readSectors(sector, 1, s.bytes.data());
    return s;
}

std::vector<unsigned char> ReadSectorBytes(disk::SectorSource& source, std::uint64_t start,
                                           std::uint32_t count, std::uint32_t sectorSize) {
    std::vector<unsigned char> bytes(std::size_t{count} * sectorSize);
    if (count > 0)
        source.readSectors(start, count, bytes.data());
    return bytes;
}

} // namespace qr::volume
