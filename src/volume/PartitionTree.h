#pragma once
// The start of a disk as the partition step reads it: a disk whose sector 0 is a
// volume's own boot sector holds that one volume; a disk whose MBR has a 0xEE entry is
// read through its GPT; any other disk is read through its MBR partition table.
#include <string>
#include <vector>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

struct PartitionListingTarget;

// Lists the partitions found at the start of the disk on `source` into `target`.
// Returns true when the table has failed and the partition search should run, as a
// failed read asks it to.
bool ReadDiskStart(disk::SectorSource& source, PartitionListingTarget& target);

// The disk-detail lines of the table the disk start is read through: for a GPT disk
// which header served and each fault found; none for an MBR disk.
std::vector<std::string> PartitionTableDetailLines(disk::SectorSource& source);

} // namespace qr::volume
