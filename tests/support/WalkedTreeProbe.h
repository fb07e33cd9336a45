#pragma once
// For tests of the walk's tree shown while the sweep runs: folder paths of a recovery
// tree with their ticks, and a window that looks at the walk's tree the moment it is
// shown (on the search's thread, before the sweep begins) and acts on it as a user would.
#include "app/RecoveryContext.h"
#include "app/WalkedTree.h"
#include "app/WindowItems.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qr::test {

using FolderTicks = std::map<std::string, model::CheckState>;

inline void CollectFolderTicks(const model::TreeModel& tree, model::TreeItem item,
                               const std::string& path, FolderTicks& out) {
    for (const model::TreeItem child : tree.children(item)) {
        const std::string p = path + "/" + tree.text(child);
        out[p] = tree.check(child);
        CollectFolderTicks(tree, child, p, out);
    }
}

// "/Docs/Sub" -> tick, for every folder of the tree.
inline FolderTicks FoldersOf(const model::TreeModel& tree) {
    FolderTicks out;
    CollectFolderTicks(tree, tree.firstTopLevel(), "", out);
    return out;
}

inline std::set<std::string> PathsOf(const FolderTicks& folders) {
    std::set<std::string> out;
    for (const auto& [path, tick] : folders)
        out.insert(path);
    return out;
}

// The item of the root's child named `name` (kNoItem for none).
inline model::TreeItem RootChild(const model::TreeModel& tree, const std::string& name) {
    for (const model::TreeItem item : tree.children(tree.firstTopLevel()))
        if (tree.text(item) == name)
            return item;
    return model::kNoItem;
}

class WalkedTreeProbe final : public app::WindowItems {
public:
    void setItemText(int id, const std::string& text) override {
        if (id == app::item::kStatusLine)
            statuses.push_back(text);
    }
    void showItem(int id, bool visible) override {
        if (id != app::item::kRecoveryTree || !visible || !ctx || !ctx->walkTreeShown || seen)
            return;
        seen = true;
        walked = FoldersOf(ctx->recoveryTree);
        blocked = app::BrowsingBlocked(*ctx);
        if (act)
            act(*ctx);
    }
    void enableItem(int, bool) override {}
    void setProgress(int, int) override {}
    void selectEntry(int, int) override {}

    app::RecoveryContext* ctx = nullptr;
    std::function<void(app::RecoveryContext&)> act; // what the user does to the walk's tree
    bool seen = false;
    bool blocked = true;
    FolderTicks walked;
    std::vector<std::string> statuses;
};

} // namespace qr::test
