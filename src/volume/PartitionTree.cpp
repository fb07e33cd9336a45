#include "volume/PartitionTree.h"

#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionTable.h"
#include "volume/TableSector.h"

#include <array>

namespace qr::volume {

bool ReadDiskStart(disk::SectorSource& source, PartitionListingTarget& target) {
    std::array<unsigned char, disk::kSectorBytes> sector0{};
    const disk::ReadStatus status = source.readSectors(0, 1, sector0.data());
    const disk::ByteView bytes(sector0.data(), sector0.size());
    const std::uint64_t diskSectors = source.sectorCount();
    if (status == disk::ReadStatus::Complete) {
        if (const auto volume = WholeDiskVolume(bytes, diskSectors)) {
            ListPartition(target, FileSystemName(volume->kind), 0, volume->sectors);
            return false;
        }
    }
    ReadPartitionTable(source, target, 0);
    return status != disk::ReadStatus::NoMedium && TableFailed(bytes, diskSectors);
}

} // namespace qr::volume
