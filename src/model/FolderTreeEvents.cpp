#include "model/FolderTreeEvents.h"

#include "model/CurrentFolderView.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "model/TreeChecks.h"

namespace qr::model {

namespace {

bool isRoot(const TreeModel& tree, TreeItem item) {
    return tree.parent(item) == kNoItem;
}

void showPath(FolderBrowsing& context, TreeItem item) {
    context.view.showCurrentFolder(FolderPath(context.tree, item));
}

// The previous current folder goes back to the plain folder image (the root keeps its
// own).
void releaseCurrent(FolderBrowsing& context, TreeItem next) {
    TreeModel& tree = context.tree;
    const TreeItem previous = context.currentFolderItem;
    if (previous != next && tree.valid(previous) && !isRoot(tree, previous) &&
        !tree.text(previous).starts_with("Partition"))
        tree.setImages(previous, tree_image::kFolder, tree_image::kFolder);
}

void markCurrent(FolderBrowsing& context, TreeItem item) {
    context.tree.setImages(item, tree_image::kCurrentFolder, tree_image::kCurrentFolder);
}

} // namespace

void OnFolderItemClicked(FolderBrowsing& context, TreeItem item, bool onCheckBox) {
    TreeModel& tree = context.tree;
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
    context.reader.listFolder(item, kMouseFolderLabels);
}

void OnFolderItemExpanding(FolderBrowsing& context, TreeItem item, bool expanding) {
    TreeModel& tree = context.tree;
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
            context.reader.listFolder(item, kMouseFolderLabels);
        }
    }
    tree.setExpanded(item, expanding);
    const std::size_t node = context.nodes.indexOfItem(item);
    if (node != kNoNode)
        context.reader.nameChildFolders(node);
}

void OnFolderEnterKey(FolderBrowsing& context) {
    TreeModel& tree = context.tree;
    const TreeItem item = tree.selected();
    if (!tree.valid(item))
        return;
    releaseCurrent(context, item);
    if (!isRoot(tree, item)) {
        showPath(context, item);
        markCurrent(context, item);
    }
    context.currentFolderItem = item;
    context.reader.listFolder(item, kKeyFolderLabels);
    context.listOnExpansion = true;
    context.clickSelects = false;
}

void OnFolderLeftKey(FolderBrowsing& context) {
    context.listOnExpansion = false;
    context.clickSelects = false;
}

void OnFolderRightKey(FolderBrowsing& context) {
    context.listOnExpansion = true;
    context.clickSelects = false;
}

} // namespace qr::model
