#pragma once
// The standard NTFS search: every record of the MFT, read in MFT order through the
// MFT's runs in large batches, becomes a FolderTable row (directories) or a FileTable
// row (files), after the Lost row at the top of FolderTable.
#include "disk/SectorSource.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsGeometry.h"
#include "volume/SearchProgress.h"

#include <cstdint>
#include <stop_token>

namespace qr::model {
class RecordTable;
}

namespace qr::ntfs {

// FileTable's Attr column of an NTFS file row: the name of the named data stream the
// row stands for ("name:stream", listed after its file's row); empty for the file's own
// data.

// Key of the root directory's record.
inline constexpr std::uint32_t kRootRecord = 5;
// Records 0 to 19 hold the volume's own metadata and are never listed as files.
inline constexpr std::uint32_t kFirstUserRecord = 20;
// Record numbers a file's attribute list may add to its own when its name or data
// size lies in an extension record.
inline constexpr std::size_t kMaxListedRecords = 51;

struct MftWalkResult {
    std::uint64_t records = 0; // records walked (the MFT number of the next one)
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    bool stopped = false;    // the stop token ended the walk
    bool mediumLost = false; // the medium stopped answering
};

// Inserts the Lost row, then appends one row per directory or file record found. Rows
// written before a stop stay whole.
MftWalkResult WalkMftStandard(disk::SectorSource& source, const NtfsGeometry& geometry,
                              const MftRunList& runs, model::RecordTable& folderTable,
                              model::RecordTable& fileTable, volume::SearchProgress& progress,
                              std::stop_token stop = {});

} // namespace qr::ntfs
