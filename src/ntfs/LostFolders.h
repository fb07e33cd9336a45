#pragma once
// After the MFT walk: every folder whose parent record was not found as a folder is
// hung under the Lost row, so whole orphaned subtrees show under "Lost".
#include "volume/SearchProgress.h"

namespace qr::model {
class RecordTable;
}

namespace qr::ntfs {

// Rewrites the "parent" of each FolderTable row whose parent is neither the root (5)
// nor the "self" of any row to the Lost key. One pass over an index of the "self"
// cells; rows keep their order.
void FindNtfsLostFolders(model::RecordTable& folderTable, volume::SearchProgress& progress);

} // namespace qr::ntfs
