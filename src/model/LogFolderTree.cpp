#include "model/LogFolderTree.h"

#include "model/RecoveryTree.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qr::model {

bool HasUniqueKeys(const std::vector<LogFolder>& folders) {
    std::unordered_set<std::uint32_t> keys;
    keys.reserve(folders.size());
    for (const LogFolder& folder : folders)
        if (!keys.insert(folder.selfKey).second)
            return false;
    return true;
}

void ReplayLogFolders(TreeModel& tree, FolderNodeList& nodes, const std::vector<LogFolder>& folders,
                      std::uint32_t rootKey) {
    const TreeItem root = EnsureRootItem(tree);
    tree.setExpanded(root, true);
    // Node indexes by self key, ascending (nodes are appended in list order).
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> byKey;
    std::size_t cursor = 0; // the node that took the previous folder
    bool rootRun = true;
    for (const LogFolder& folder : folders) {
        TreeItem parent = root;
        rootRun = rootRun && folder.parentKey == rootKey;
        if (!rootRun) {
            auto it = byKey.find(folder.parentKey);
            if (it != byKey.end()) {
                const std::vector<std::size_t>& withKey = it->second;
                auto at = std::lower_bound(withKey.begin(), withKey.end(), cursor);
                cursor = at != withKey.end() ? *at : withKey.back();
                parent = nodes[cursor].treeItem;
            }
        }
        byKey[folder.selfKey].push_back(nodes.size());
        InsertFolderNode(tree, nodes, parent, folder.name, folder.selfKey, folder.parentKey,
                         folder.date, folder.time, folder.deleted);
    }
    for (FolderNode& node : nodes)
        node.childrenNamed = true;
}

} // namespace qr::model
