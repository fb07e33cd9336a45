#pragma once
// The rows of a file system the Advanced exFAT search inferred, once the user picked
// it: the walk from its root where the root was found, then every directory cluster
// the sweep found on its cluster grid and the walk did not reach, under Lost with the
// tree below it (no second pass over the medium).
#include "disk/SectorSource.h"
#include "exfat/ExfatSearch.h"
#include "exfat/InferExfatFileSystems.h"
#include "exfat/StructureSweep.h"
#include "volume/SearchProgress.h"

#include <stop_token>

namespace qr::model {
class RecordTable;
}

namespace qr::exfat {

// Fills `folderTable` (Lost row first) and `fileTable`; the caller empties them.
ExfatSearchResult BuildPickedExfatTree(disk::SectorSource& source, const ExfatFindings& findings,
                                       const ExfatFileSystem& system,
                                       model::RecordTable& folderTable,
                                       model::RecordTable& fileTable,
                                       volume::SearchProgress& progress, std::stop_token stop);

} // namespace qr::exfat
