#pragma once
// The standard FAT directory scan: the first sector of every cluster of the data
// area is tested for a directory head ("." and ".." entries naming the cluster
// itself); each find becomes a FolderTable row, after the Lost row.
#include <stop_token>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::fat {

// Appends the Lost row and one row per directory found to FolderTable (emptied by
// the caller). Stops between read batches when `stop` is requested; every row
// written stays.
void ScanFatDirectories(app::RecoveryContext& context, std::stop_token stop = {});

} // namespace qr::fat
