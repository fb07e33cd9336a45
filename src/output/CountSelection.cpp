// The counting pass of a save: walks the selection, adds up files and bytes, and
// plans every admitted file for the writing pass.
#include "model/FileList.h"
#include "model/FolderNodeList.h"
#include "model/RecordTable.h"
#include "model/RecoveryTree.h"
#include "output/RecoveryLogState.h"
#include "output/SavePasses.h"
#include "output/SaveProgressView.h"
#include "output/SaveState.h"
#include "volume/VolumeEngine.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace qr::output {

namespace {

bool endsWith(const std::string& text, const char* tail) {
    const std::string t(tail);
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

// `largest`: no file of the volume holds more (a larger size comes from a damaged entry
// and is written only up to it).
void addToPlan(SaveSelection& ctx, SaveItem item, std::uint64_t largest = UINT64_MAX) {
    SaveState& save = ctx.save;
    save.counters.filesToSave += 1;
    save.counters.bytesToSave +=
        std::min({item.size, largest, UINT64_MAX - save.counters.bytesToSave});
    save.plan.push_back(std::move(item));
    if (save.countView)
        save.countView->showFilesCounted(save.counters.filesToSave);
}

const model::FolderNode* nodeOfItem(SaveSelection& ctx, model::TreeItem item) {
    return ctx.folderNodes.findByItem(item);
}

// Counts the files of the engine's folder `key` (its root key: the root) into the plan,
// in the order the file list shows them.
void countEngineFolder(SaveSelection& ctx, std::uint32_t key, model::TreeItem folder,
                       bool folderDeleted) {
    const std::unique_ptr<volume::VolumeEngine> engine = ctx.engine();
    if (!engine)
        return;
    const DateWindow& window = ctx.save.settings.dateWindow;
    const bool windowInForce = window.inForce();
    const std::uint64_t largest = engine->largestFile();
    engine->listFiles(key, folderDeleted, [&](const volume::FolderFile& file) {
        if (ctx.save.stopSaving)
            return false;
        if (file.name.empty())
            return true; // a record without a name names no file to save
        volume::CalendarDate date;
        if (windowInForce && engine->calendarDate(file.stamp, date) &&
            window.excludes(date.year, date.month, date.day))
            return true;
        addToPlan(ctx, PlannedFile(folder, file, file.deleted), largest);
        return true;
    });
    if (engine->directoryUnreadable())
        ctx.save.unreadableFolders.push_back(folder);
}

// A folder's files as the volume's engine lists them (list source: by key). Key 0 (a
// root that is listed apart, or NTFS's $MFT) and the Lost folder have none.
void countFolderByKey(SaveSelection& ctx, model::TreeItem item, std::uint32_t key) {
    if (key == 0 || key == model::kLostFolderKey)
        return;
    const model::FolderNode* node = nodeOfItem(ctx, item);
    countEngineFolder(ctx, key, item, node && node->deleted);
}

// A folder row of the list: its files, then its sub-folders depth first. The walk
// keeps its own stack: a damaged medium can nest folders deeper than a thread's stack
// could follow by recursion.
void countFolderTree(SaveSelection& ctx, model::TreeItem item, std::uint32_t key) {
    std::vector<std::pair<model::TreeItem, std::uint32_t>> pending{{item, key}};
    while (!pending.empty()) {
        if (ctx.save.stopSaving)
            return;
        const auto [folder, folderKey] = pending.back();
        pending.pop_back();
        countFolderByKey(ctx, folder, folderKey);
        const std::vector<model::TreeItem> children = ctx.recoveryTree.children(folder);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            if (const model::FolderNode* node = nodeOfItem(ctx, *it))
                pending.emplace_back(*it, node->selfKey);
    }
}

model::TreeItem itemOfKey(SaveSelection& ctx, std::uint32_t key) {
    for (const model::FolderNode& node : ctx.folderNodes)
        if (node.selfKey == key)
            return node.treeItem;
    return model::kNoItem;
}

// A folder reference is a tree item under the tree source and the folder's key under
// the list source. False when a tree item has no node.
bool resolveFolder(SaveSelection& ctx, std::uint32_t reference, model::TreeItem& item,
                   std::uint32_t& key) {
    if (ctx.save.saveSource == kSaveSourceList) {
        key = reference;
        item = itemOfKey(ctx, key);
        return true;
    }
    item = static_cast<model::TreeItem>(reference);
    const model::FolderNode* node = nodeOfItem(ctx, item);
    if (!node)
        return false;
    key = node->selfKey;
    return true;
}

bool rowAdmitted(std::uint32_t selectionMode, bool selected) {
    if (selectionMode == kSaveAllRows)
        return true;
    if (selectionMode == kSaveUnselectedRows)
        return !selected;
    return selected;
}

} // namespace

void CountFolder(SaveSelection& ctx, std::uint32_t reference) {
    ctx.save.counters.filesDone = 0;
    model::TreeItem item = model::kNoItem;
    std::uint32_t key = 0;
    if (resolveFolder(ctx, reference, item, key))
        countFolderByKey(ctx, item, key);
}

void CountFolderTree(SaveSelection& ctx, model::TreeItem item, std::uint32_t key) {
    countFolderTree(ctx, item, key);
}

void CountTreeSelection(SaveSelection& ctx, model::TreeItem item) {
    const model::TreeModel& tree = ctx.recoveryTree;
    if (tree.check(item) == model::CheckState::Unchecked)
        return;
    // Depth first in tree order, on a stack of its own (see countFolderTree); an
    // unmarked item is neither counted nor descended.
    std::vector<model::TreeItem> pending;
    const auto pushChildren = [&](model::TreeItem parent) {
        const std::vector<model::TreeItem> children = tree.children(parent);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    };
    pushChildren(item);
    while (!pending.empty()) {
        if (ctx.save.stopSaving)
            return;
        const model::TreeItem child = pending.back();
        pending.pop_back();
        if (tree.check(child) == model::CheckState::Unchecked)
            continue;
        CountFolder(ctx, static_cast<std::uint32_t>(child));
        pushChildren(child);
    }
}

void CountListSelection(SaveSelection& ctx) {
    const model::TreeItem folder = ctx.currentFolderItem;
    for (const model::FileListRow& row : ctx.fileList.rows()) {
        if (ctx.save.stopSaving)
            return;
        if (!rowAdmitted(ctx.save.settings.selectionMode, row.selected))
            continue;
        using namespace model::file_col;
        std::string type = row.cells[Type];
        if (endsWith(type, model::kUncertainLabel))
            type.resize(type.size() - std::string_view(model::kUncertainLabel).size());
        if (endsWith(type, "FILE") || endsWith(type, "File") || endsWith(type, "file")) {
            addToPlan(ctx, PlannedFile(folder, row.file, type.rfind("Deleted", 0) == 0));
        } else if (endsWith(type, "FOLDER") || endsWith(type, "Folder")) {
            countFolderTree(ctx, row.folderItem, row.folderKey);
        }
    }
}

void CountSaveSelection(SaveSelection& ctx) {
    SaveState& save = ctx.save;
    save.counters = {};
    save.plan.clear();
    save.unreadableFolders.clear();
    save.stopSaving = false;
    if (save.saveSource == kSaveSourceList) {
        CountListSelection(ctx);
        return;
    }
    const model::TreeItem root = ctx.recoveryTree.firstTopLevel();
    if (root == model::kNoItem || ctx.recoveryTree.check(root) == model::CheckState::Unchecked)
        return;
    // The root's own files (its directory has no node) are saved only when the root
    // itself is checked: a root that is partly checked because one folder below it was
    // ticked does not bring them along.
    const model::CheckState rootCheck = ctx.recoveryTree.check(root);
    const bool rootFiles =
        rootCheck == model::CheckState::Checked || rootCheck == model::CheckState::None;
    if (rootFiles)
        countEngineFolder(ctx, ctx.rootKey, root, false);
    CountTreeSelection(ctx, root);
}

} // namespace qr::output
