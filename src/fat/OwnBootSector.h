#pragma once
// The volume's own boot sector in an Advanced sweep of a partition range: the boot row
// at the range's first sector, taken as a file system of its own when its root folder
// holds an entry (a volume whose files all lie in its root leaves no directory head to
// infer it from; an empty one is still no file system found).
#include "disk/SectorSource.h"

#include <cstdint>

namespace qr::model {
class RecordTable;
}

namespace qr::fat {

// `rangeStart` when BootSectorTable has a row for that sector whose root folder's first
// sector holds a file, folder or long-name entry; kNoOwnBootSector otherwise.
std::uint64_t OwnBootSectorOfRange(disk::SectorSource& source,
                                   const model::RecordTable& bootSectors, std::uint64_t rangeStart);

} // namespace qr::fat
