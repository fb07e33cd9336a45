#pragma once
// What the user did to a tree shown before the search ended (the walk's tree while the
// sweep ran), carried over to the tree the finished search built: ticks, expanded
// folders and the selection. Folders are matched by their keys; a folder new to the
// finished tree is ticked when the folder it lies in is.
#include "model/FolderNodeList.h"
#include "model/TreeModel.h"

#include <unordered_map>

namespace qr::model {

// The items of `from` and the items of `to` that show the same folder (the roots too).
using ItemMap = std::unordered_map<TreeItem, TreeItem>;

// Copies check state, expansion and selection from `from` to `to`; returns the map.
ItemMap CarryBrowsingState(const TreeModel& from, const FolderNodeList& fromNodes, TreeModel& to,
                           const FolderNodeList& toNodes);

// The item of `to` that `item` of `from` became (kNoItem for none).
TreeItem MappedItem(const ItemMap& map, TreeItem item);

// Renumbers `to` (and its nodes) so that every folder `map` matched keeps the handle it
// had in `from`: a click on a view of the earlier tree that is not redrawn yet still
// reaches the same folder. New folders take the numbers left free. The map then reads
// from the earlier tree to the same handles.
void KeepHandles(ItemMap& map, TreeModel& to, FolderNodeList& toNodes);

} // namespace qr::model
