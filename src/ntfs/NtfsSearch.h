#pragma once
// The standard NTFS search from a validated volume to the rows the tree builder
// reads: the MFT's runs, the walk of its records, and the Lost folder for orphans.
#include "disk/SectorSource.h"
#include "ntfs/MftRunList.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsGeometry.h"
#include "volume/SearchProgress.h"
#include "volume/VolumeParams.h"

#include <stop_token>

namespace qr::model {
class RecordTable;
}

namespace qr::ntfs {

// The geometry of a volume validated as NTFS (its end is the sector behind the
// volume's last one).
NtfsGeometry GeometryFromVolume(const volume::VolumeParams& params);

struct NtfsSearchResult {
    MftRunList mftRuns;
    MftWalkResult walk;
};

// Fills `folderTable` (Lost row first) and `fileTable`; the caller empties them. On a
// stop the rows found so far get their Lost parents too.
NtfsSearchResult RunNtfsStandardSearch(disk::SectorSource& source, const NtfsGeometry& geometry,
                                       model::RecordTable& folderTable,
                                       model::RecordTable& fileTable,
                                       volume::SearchProgress& progress, std::stop_token stop = {});

} // namespace qr::ntfs
