#include "volume/SectorRead.h"

#include "disk/SectorSource.h"

namespace qr::volume {

Sector ReadSector(disk::SectorSource& source, std::uint64_t sector) {
    Sector s;
    source.readSectors(sector, 1, s.bytes.data());
    return s;
}

} // namespace qr::volume
