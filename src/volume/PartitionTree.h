#pragma once
// The start of a disk as the partition step reads it: a disk whose sector 0 is a
// volume's own boot sector holds that one volume; any other disk is read through its
// partition table.
namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

struct PartitionListingTarget;

// Lists the partitions found at the start of the disk on `source` into `target`.
// Returns true when the table has failed and the partition search should run, as a
// failed read asks it to.
bool ReadDiskStart(disk::SectorSource& source, PartitionListingTarget& target);

} // namespace qr::volume
