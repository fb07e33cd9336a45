#include "volume/PartitionTree.h"

#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "volume/DetailLine.h"
#include "volume/GptPartitions.h"
#include "volume/MediumSectorSize.h"
#include "volume/MediumSectorView.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionTable.h"
#include "volume/SectorRead.h"
#include "volume/TableSector.h"

#include <memory>

namespace qr::volume {

namespace {

// Reads the disk start on `medium`, which numbers sectors as the tables do.
bool readStart(disk::SectorSource& medium, PartitionListingTarget& target) {
    const std::uint32_t sectorBytes = medium.sectorBytes();
    std::vector<unsigned char> sector0(sectorBytes);
    const disk::ReadStatus status = medium.readSectors(0, 1, sector0.data());
    const disk::ByteView bytes(sector0.data(), sector0.size());
    const std::uint64_t diskSectors = medium.sectorCount();
    if (status == disk::ReadStatus::Complete) {
        if (const auto volume =
                WholeDiskVolume(bytes, diskSectors, sectorBytes / disk::kSectorBytes)) {
            ListPartition(target, FileSystemName(volume->kind), 0, volume->sectors);
            return false;
        }
    }
    if (HasGptEntry(bytes))
        return ListGptPartitions(medium, target, sectorBytes) &&
               status != disk::ReadStatus::NoMedium;
    ReadPartitionTable(medium, target, 0);
    return status != disk::ReadStatus::NoMedium && TableFailed(bytes, diskSectors);
}

// A line for each listed volume whose boot sector gives another sector size than the
// medium's: its fields are read in its own size, which the medium contradicts.
std::vector<std::string> bootSectorSizeLines(disk::SectorSource& source,
                                             std::uint32_t sectorBytes) {
    const auto record = std::make_unique<DiskPartitionRecord>();
    model::TreeModel tree;
    model::TreeItem first = model::kNoItem;
    PartitionListingTarget target{*record, tree, first};
    ReadDiskStart(source, target);
    const std::uint64_t k = sectorBytes / disk::kSectorBytes;
    std::vector<std::string> lines;
    for (std::uint32_t n = 1; n <= record->count; ++n) {
        const Sector boot = ReadSector(source, SlotStart(record->slots[n]) * k);
        const auto volume = RecogniseBootSector(disk::ByteView(boot.bytes), 0, 0);
        if (volume && volume->sectorBytes != sectorBytes)
            lines.push_back(DetailLine(
                "Sector Size Check",
                "partition " + std::to_string(n) + " ( " + record->fileSystemNames[n - 1] +
                    " ): its boot sector gives " + std::to_string(volume->sectorBytes) +
                    " bytes per sector, the medium has " + std::to_string(sectorBytes)));
    }
    return lines;
}

} // namespace

bool ReadDiskStart(disk::SectorSource& source, PartitionListingTarget& target) {
    const std::uint32_t sectorBytes = MediumSectorBytes(source);
    target.record.sectorBytes = sectorBytes;
    if (sectorBytes == disk::kSectorBytes)
        return readStart(source, target);
    MediumSectorView medium(source, sectorBytes);
    return readStart(medium, target);
}

std::vector<std::string> PartitionTableDetailLines(disk::SectorSource& source) {
    const std::uint32_t sectorBytes = MediumSectorBytes(source);
    MediumSectorView medium(source, sectorBytes);
    std::vector<std::string> lines;
    // Media of 512-byte sectors say nothing of it, as they always have.
    if (sectorBytes != disk::kSectorBytes)
        lines.push_back(DetailLine("Bytes Per Sector", std::to_string(sectorBytes)));
    const std::vector<unsigned char> sector0 = ReadSectorBytes(medium, 0, 1, sectorBytes);
    if (HasGptEntry(disk::ByteView(sector0.data(), sector0.size())))
        for (std::string& line : GptDetailLines(ReadGptDisk(medium, sectorBytes)))
            lines.push_back(std::move(line));
    for (std::string& line : bootSectorSizeLines(source, sectorBytes))
        lines.push_back(std::move(line));
    return lines;
}

} // namespace qr::volume
