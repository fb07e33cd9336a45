#include "volume/GptPartitions.h"

#include "disk/SectorSource.h"
#include "volume/DetailLine.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionTable.h"
#include "volume/SectorRead.h"

namespace qr::volume {
namespace {

std::string headerText(const GptReading& r) {
    const std::string at = " header (sector " + std::to_string(r.headerSector) + ")";
    switch (r.used) {
    case GptHeaderUsed::Primary:
        return "GPT, primary" + at;
    case GptHeaderUsed::Backup:
        return "GPT, backup" + at + " in place of the damaged primary";
    case GptHeaderUsed::None:
        break;
    }
    return "GPT, no header readable: the partition search looks for volumes";
}

} // namespace

GptDisk ReadGptDisk(disk::SectorSource& source, std::uint32_t sectorSize) {
    GptDisk disk;
    disk.reading = ReadGpt(source, source.sectorCount(), sectorSize);
    for (const GptEntry& entry : disk.reading.entries) {
        // The name comes from the boot sector alone: no MBR type byte stands behind it.
        const std::string name = NamePartition(ReadSector(source, entry.firstSector), 0);
        if (name.empty())
            disk.unlisted.push_back("GPT entry " + std::to_string(entry.index) + " ( " +
                                    entry.name + " ) holds no FAT, NTFS or exFAT volume");
        else
            disk.volumes.push_back({entry, name});
    }
    return disk;
}

bool ListGptPartitions(disk::SectorSource& source, PartitionListingTarget& target,
                       std::uint32_t sectorSize) {
    target.record.count = 0;
    const GptDisk disk = ReadGptDisk(source, sectorSize);
    for (const GptVolume& v : disk.volumes) {
        if (!ListPartition(target, v.fileSystem, v.entry.firstSector, v.entry.lastSector + 1,
                           kListedPartitions))
            break;
        target.record.slots[target.record.count].gptName = v.entry.name;
    }
    return disk.reading.used == GptHeaderUsed::None || disk.reading.entries.empty();
}

std::vector<std::string> GptDetailLines(const GptDisk& disk) {
    std::vector<std::string> lines{DetailLine("Partition Table", headerText(disk.reading))};
    for (const std::string& problem : disk.reading.problems)
        lines.push_back(DetailLine("GPT Check", problem));
    for (const std::string& entry : disk.unlisted)
        lines.push_back(DetailLine("GPT Check", entry));
    if (disk.volumes.size() > static_cast<std::size_t>(kListedPartitions))
        lines.push_back(DetailLine("GPT Check", "only the first " +
                                                    std::to_string(kListedPartitions) +
                                                    " volumes are listed"));
    return lines;
}

} // namespace qr::volume
