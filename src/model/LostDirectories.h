#pragma once
// Re-parents every folder whose parent is not among the found folders under the
// Lost pseudo-folder, so that whole orphaned subtrees show under "Lost".
#include "volume/SearchProgress.h"

#include <cstdint>

namespace qr::model {

class RecordTable;

inline constexpr std::uint32_t kFatRootParent = 0;
inline constexpr std::uint32_t kNtfsRootParent = 5;

// `rootParent` is the "parent" value that stands for the root directory. Reports the
// LostDirectories phase and its rows.
void FindLostDirectories(RecordTable& table, std::uint32_t rootParent,
                         volume::SearchProgress& progress);

// Inserts the "Lost" pseudo-folder as row 0 of a folder table, under the root folder
// whose key is `rootKey`.
void InsertLostFolderRow(RecordTable& table, std::uint32_t rootKey);

} // namespace qr::model
