#include "volume/PartitionTree.h"

#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "volume/GptPartitions.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionTable.h"
#include "volume/SectorRead.h"
#include "volume/TableSector.h"

namespace qr::volume {

bool ReadDiskStart(disk::SectorSource& source, PartitionListingTarget& target) {
    std::vector<unsigned char> sector0(disk::kSectorBytes);
    const disk::ReadStatus status = source.readSectors(0, 1, sector0.data());
    const disk::ByteView bytes(sector0.data(), sector0.size());
    const std::uint64_t diskSectors = source.sectorCount();
    if (status == disk::ReadStatus::Complete) {
        if (const auto volume = WholeDiskVolume(bytes, diskSectors)) {
            ListPartition(target, FileSystemName(volume->kind), 0, volume->sectors);
            return false;
        }
    }
    if (HasGptEntry(bytes))
        return ListGptPartitions(source, target, disk::kSectorBytes) &&
               status != disk::ReadStatus::NoMedium;
    ReadPartitionTable(source, target, 0);
    return status != disk::ReadStatus::NoMedium && TableFailed(bytes, diskSectors);
}

std::vector<std::string> PartitionTableDetailLines(disk::SectorSource& source) {
    const std::vector<unsigned char> sector0 = ReadSectorBytes(source, 0, 1, disk::kSectorBytes);
    if (!HasGptEntry(disk::ByteView(sector0.data(), sector0.size())))
        return {};
    return GptDetailLines(ReadGptDisk(source, disk::kSectorBytes));
}

} // namespace qr::volume
