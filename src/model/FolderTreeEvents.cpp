#include "model/FolderTreeEvents.h"

#include "app/RecoveryContext.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "model/TreeChecks.h"

namespace qr::model {

namespace {

bool isRoot(const TreeModel& tree, TreeItem item) {
    return tree.parent(item) == kNoItem;
}

void showPath(app::RecoveryContext& context, TreeItem item) {
    context.currentFolderView().showCurrentFolder(FolderPath(context.recoveryTree, item));
}

// The previous current folder goes back to the plain folder image (the root keeps its
// own).
void releaseCurrent(app::RecoveryContext& context, TreeItem next) {
    TreeModel& tree = context.recoveryTree;
    const TreeItem previous = context.currentFolderItem;
    if (previous != next && tree.valid(previous) && !isRoot(tree, previous) &&
        !tree.text(previous).starts_with("Partition"))
        tree.setImages(previous, tree_image::kFolder, tree_image::kFolder);
}

void markCurrent(app::RecoveryContext& context, TreeItem item) {
    context.recoveryTree.setImages(item, tree_image::kCurrentFolder, tree_image::kCurrentFolder);
}

} // namespace

void OnFolderItemClicked(app::RecoveryContext& context, TreeItem item, bool onCheckBox) {
    TreeModel& tree = context.recoveryTree;
    if (!tree.valid(item))
        return;
    if (onCheckBox) {
        ToggleCheck(tree, item);
        return;
    }
    context.clickSelects = true;
    context.fileList.clear();
    context.lastClickedFolderItem = item;
    showPath(context, item);
    context.listOnExpansion = false;
    // The root keeps its own image but becomes the current folder like any other, so
    // a save from its list takes the root's path.
    releaseCurrent(context, item);
    if (!isRoot(tree, item)) {
        if (context.clickSelects)
            markCurrent(context, item);
        tree.setSelected(item);
    }
    context.currentFolderItem = item;
    ListFolder(context, item, kMouseFolderLabels);
}

void OnFolderItemExpanding(app::RecoveryContext& context, TreeItem item, bool expanding) {
    TreeModel& tree = context.recoveryTree;
    if (!tree.valid(item))
        return;
    const bool root = isRoot(tree, item);
    if (!expanding && !root)
        tree.setImages(item, tree_image::kFolder, tree_image::kFolder);
    if (context.listOnExpansion || (context.clickSelects && expanding)) {
        showPath(context, item);
        markCurrent(context, item);
        releaseCurrent(context, item);
        context.currentFolderItem = item;
        if (context.listOnExpansion) {
            context.listOnExpansion = false;
            tree.setSelected(item);
            ListFolder(context, item, kMouseFolderLabels);
        }
    }
    tree.setExpanded(item, expanding);
    const std::size_t node = context.folderNodes.indexOfItem(item);
    if (node != kNoNode)
        NameChildFolders(context, node);
}

void OnFolderEnterKey(app::RecoveryContext& context) {
    TreeModel& tree = context.recoveryTree;
    const TreeItem item = tree.selected();
    if (!tree.valid(item))
        return;
    releaseCurrent(context, item);
    if (!isRoot(tree, item)) {
        showPath(context, item);
        markCurrent(context, item);
    }
    context.currentFolderItem = item;
    ListFolder(context, item, kKeyFolderLabels);
    context.listOnExpansion = true;
    context.clickSelects = false;
}

void OnFolderLeftKey(app::RecoveryContext& context) {
    context.listOnExpansion = false;
    context.clickSelects = false;
}

void OnFolderRightKey(app::RecoveryContext& context) {
    context.listOnExpansion = true;
    context.clickSelects = false;
}

} // namespace qr::model
