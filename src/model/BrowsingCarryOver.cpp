#include "model/BrowsingCarryOver.h"

#include <cstdint>
#include <utility>

namespace qr::model {

namespace {

std::uint64_t folderKey(const FolderNode& node) {
    return std::uint64_t{node.selfKey} << 32 | node.parentKey;
}

void carryItem(const TreeModel& from, TreeItem fromItem, TreeModel& to, TreeItem toItem) {
    const TreeModel::Item old = from.get(fromItem);
    if (to.check(toItem) != old.check)
        to.setCheck(toItem, old.check);
    if (old.expanded)
        to.setExpanded(toItem, true);
}

} // namespace

TreeItem MappedItem(const ItemMap& map, TreeItem item) {
    const auto it = map.find(item);
    return it == map.end() ? kNoItem : it->second;
}

ItemMap CarryBrowsingState(const TreeModel& from, const FolderNodeList& fromNodes, TreeModel& to,
                           const FolderNodeList& toNodes) {
    ItemMap map;
    const TreeItem fromRoot = from.firstTopLevel();
    const TreeItem toRoot = to.firstTopLevel();
    if (fromRoot == kNoItem || toRoot == kNoItem)
        return map;
    map.emplace(fromRoot, toRoot);
    carryItem(from, fromRoot, to, toRoot);
    // The first node of the finished tree for each folder (a damaged table may list one
    // folder in two places; the walk met it once).
    std::unordered_map<std::uint64_t, TreeItem> byKey;
    for (const FolderNode& node : toNodes)
        byKey.emplace(folderKey(node), node.treeItem);
    for (const FolderNode& node : fromNodes) {
        const auto it = byKey.find(folderKey(node));
        if (it == byKey.end() || !from.valid(node.treeItem))
            continue;
        map.emplace(node.treeItem, it->second);
        carryItem(from, node.treeItem, to, it->second);
    }
    // Folders the walk did not show: ticked with a ticked parent. Nodes come parents
    // first, so a new folder below a new folder follows its parent's tick.
    std::unordered_map<TreeItem, bool> shown;
    for (const auto& [fromItem, toItem] : map)
        shown.emplace(toItem, true);
    for (const FolderNode& node : toNodes) {
        if (shown.count(node.treeItem))
            continue;
        if (to.check(to.parent(node.treeItem)) == CheckState::Checked)
            to.setCheck(node.treeItem, CheckState::Checked);
    }
    const TreeItem selected = MappedItem(map, from.selected());
    if (selected != kNoItem)
        to.setSelected(selected);
    return map;
}

} // namespace qr::model
