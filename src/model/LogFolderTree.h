#pragma once
// The folder tree of a loaded recovery log when its folders do not have one key each.
// The log lists the folders in the order the tree builder inserted them (breadth
// first), so each folder's parent is an earlier folder with its parent key. Rebuilding
// such a list through FolderTable would insert every folder once below each folder
// sharing its parent's key, which multiplies them (factorially when keys repeat along
// a path); this replay inserts each listed folder exactly once.
#include "model/FolderNodeList.h"
#include "model/TreeModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::model {

struct LogFolder {
    std::string name;
    std::uint32_t selfKey = 0;
    std::uint32_t parentKey = 0;
    std::uint64_t date = 0;
    std::uint64_t time = 0;
    bool deleted = false;
};

// True when no two folders share a self key (every tree a search builds from a sound
// volume); the table-driven tree builder is then exact.
bool HasUniqueKeys(const std::vector<LogFolder>& folders);

// Inserts the folders in list order: the leading run whose parent key is `rootKey`
// under the root item, every later one under the nearest earlier folder, from the one
// that took the previous folder on, whose self key is its parent key (the root item
// when there is none). Every node is marked named.
void ReplayLogFolders(TreeModel& tree, FolderNodeList& nodes, const std::vector<LogFolder>& folders,
                      std::uint32_t rootKey);

} // namespace qr::model
