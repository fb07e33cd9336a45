#pragma once
// The standard exFAT search from a validated volume to the rows the tree builder reads:
// the Lost row, the directory walk from the root, the heap sweep for directories the
// walk did not reach, and the Lost folder for orphans.
#include "disk/SectorSource.h"
#include "exfat/Geometry.h"
#include "volume/SearchProgress.h"

#include <stop_token>

namespace qr::model {
class RecordTable;
}

namespace qr::exfat {

struct ExfatSearchResult {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t deletedFiles = 0;
    std::uint64_t lostFolders = 0;
    // Directory clusters of an earlier format, left out (the Advanced search reads them).
    std::uint64_t earlierFolders = 0;
    bool stopped = false;
};

class DirectoryWalk;

// The walk's counts in a result, and whether `stop` ended the search.
void TakeWalkCounts(const DirectoryWalk& walk, std::stop_token stop, ExfatSearchResult& result);

// Fills `folderTable` (Lost row first) and `fileTable`; the caller empties them. On a
// stop the rows found so far stay, with their Lost parents. The end of the walk is
// reported before the sweep; `scope` WalkOnly leaves the sweep out.
ExfatSearchResult
RunExfatStandardSearch(disk::SectorSource& source, const Geometry& geometry,
                       model::RecordTable& folderTable, model::RecordTable& fileTable,
                       volume::SearchProgress& progress, std::stop_token stop = {},
                       volume::SearchScope scope = volume::SearchScope::WalkAndSweep);

} // namespace qr::exfat
