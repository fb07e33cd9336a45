#pragma once
// The partition-table reader: the master boot record and the chain of extended boot
// records behind it. Each partition named FAT12, FAT16, FAT32, NTFS or exFAT (by its
// boot-sector text first, its partition type second) is listed in the selected disk's record and
// under the partition tree's root; other kinds are not listed and take no number.
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <string>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

struct Sector;
struct PartitionListingTarget;

// Greatest number of extended boot records followed on one disk. Together with the
// check for a record visited before and the room of the record, it bounds any chain.
inline constexpr int kMaxExtendedRecords = 128;

// Reads the table at `baseSector` (0: the master boot record) of the disk on `source`
// and fills its record from partition 1 on.
void ReadPartitionTable(disk::SectorSource& source, PartitionListingTarget& target,
                        std::uint64_t baseSector);

// The file-system name of a partition from its first sector and its type; empty
// when it is of a kind that is not listed.
std::string NamePartition(const Sector& firstSector, std::uint8_t partitionType);
FileSystemKind KindOfPartition(const Sector& firstSector, std::uint8_t partitionType);

} // namespace qr::volume
