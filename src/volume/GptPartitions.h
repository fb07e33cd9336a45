#pragma once
// The partitions of a GPT disk: each entry the table keeps is named by its volume's own
// boot sector (the type GUID can lie) and listed as "Partition - k ( NAME )" in the
// order of its first sector, with the entry's name beside it in the record.
#include "volume/GptTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

struct PartitionListingTarget;

struct GptVolume {
    GptEntry entry;
    std::string fileSystem; // the name its boot sector gives it (a registered file system)
};

struct GptDisk {
    GptReading reading;
    std::vector<GptVolume> volumes;
    std::vector<std::string> unlisted; // entries of no kind the engines know, one line each
};

// Reads the GPT of the disk on `source` and names its entries.
GptDisk ReadGptDisk(disk::SectorSource& source, std::uint32_t sectorSize);

// Lists the named volumes of the GPT on `source` into `target`. Returns true when no
// header passed its checks or the table holds no usable entry: the partition search
// runs then, as for an empty MBR table.
bool ListGptPartitions(disk::SectorSource& source, PartitionListingTarget& target,
                       std::uint32_t sectorSize);

// What the disk details say of the GPT: which header served, and each fault found.
std::vector<std::string> GptDetailLines(const GptDisk& disk);

} // namespace qr::volume
