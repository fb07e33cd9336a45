#include "model/BrowsingCarryOver.h"

#include <cstdint>
#include <utility>
#include <vector>

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

void KeepHandles(ItemMap& map, TreeModel& to, FolderNodeList& toNodes) {
    const std::size_t size = to.size();
    std::vector<TreeItem> handles(size, kNoItem);
    std::vector<bool> used(size, false);
    for (const auto& [fromItem, toItem] : map)
        if (fromItem >= 0 && static_cast<std::size_t>(fromItem) < size && toItem >= 0 &&
            static_cast<std::size_t>(toItem) < size && !used[std::size_t(fromItem)]) {
            handles[std::size_t(toItem)] = fromItem;
            used[std::size_t(fromItem)] = true;
        }
    std::size_t free = 0;
    for (TreeItem& handle : handles) {
        if (handle != kNoItem)
            continue;
        while (used[free])
            ++free;
        handle = static_cast<TreeItem>(free);
        used[free] = true;
    }
    if (!to.renumber(handles))
        return;
    FolderNodeList renumbered;
    renumbered.reserve(toNodes.size());
    for (FolderNode node : toNodes) {
        if (node.treeItem >= 0 && static_cast<std::size_t>(node.treeItem) < size)
            node.treeItem = handles[std::size_t(node.treeItem)];
        renumbered.append(std::move(node));
    }
    toNodes = std::move(renumbered);
    for (auto& [fromItem, toItem] : map)
        toItem = handles[std::size_t(toItem)];
}

} // namespace qr::model
