#include "volume/SectorRead.h"

#include "disk/SectorSource.h"

#include <algorithm>

namespace qr::volume {

Sector ReadSector(disk::SectorSource& source, std::uint64_t sector) {
    Sector s;
    if (source.sectorBytes() == s.bytes.size()) {
        source.readSectors(sector, 1, s.bytes.data());
        return s;
    }
    // A larger sector: its first 512 bytes hold the boot or table fields.
    const std::vector<unsigned char> whole =
        ReadSectorBytes(source, sector, 1, source.sectorBytes());
    std::copy_n(whole.begin(), std::min(whole.size(), s.bytes.size()), s.bytes.begin());
    return s;
}

std::vector<unsigned char> ReadSectorBytes(disk::SectorSource& source, std::uint64_t start,
                                           std::uint32_t count, std::uint32_t sectorSize) {
    // Never less than the source fills per sector, whatever the caller takes a sector for.
    const std::uint32_t bytes = std::max(sectorSize, source.sectorBytes());
    std::vector<unsigned char> buffer(std::size_t{count} * bytes);
    if (count > 0)
        source.readSectors(start, count, buffer.data());
    buffer.resize(std::size_t{count} * sectorSize);
    return buffer;
}

} // namespace qr::volume
