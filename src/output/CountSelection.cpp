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

// FAT and exFAT: folders are listed by the engine, the root's key is 0.
bool isFat(const SaveSelection& ctx) {
    const volume::FileSystemKind kind = ctx.kind;
    return volume::IsFat(kind) || kind == volume::FileSystemKind::ExFat;
}
bool isNtfs(const SaveSelection& ctx) {
    return ctx.kind == volume::FileSystemKind::Ntfs;
}

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
        volume::CalendarDate date;
        if (windowInForce && engine->calendarDate(file.stamp, date) &&
            window.excludes(date.year, date.month, date.day))
            return true;
        addToPlan(
            ctx,
            {folder, file.name, file.size, static_cast<std::uint32_t>(file.location), file.deleted},
            largest);
        return true;
    });
}

// Calendar date (UTC) of an NTFS file time.
void civilDate(std::int64_t fileTime, std::uint32_t& year, std::uint32_t& month,
               std::uint32_t& day) {
    // Days since 1970-01-01, then the proleptic Gregorian calendar.
    const std::int64_t days = fileTime / 864000000000LL - 134774;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    year = static_cast<std::uint32_t>(y < 0 ? 0 : y);
    month = static_cast<std::uint32_t>(m);
    day = static_cast<std::uint32_t>(d);
}

// A row whose size a recovery log clipped: the size the engine lists for that record
// (it reads the real one from the medium), or the clipped one when it lists none.
std::uint64_t listedNtfsSize(SaveSelection& ctx, std::unique_ptr<volume::VolumeEngine>& engine,
                             std::uint32_t folderNumber, std::uint32_t self, std::uint32_t sector,
                             std::uint64_t clipped) {
    if (!engine && ctx.engine)
        engine = ctx.engine();
    if (!engine)
        return clipped;
    std::uint64_t size = clipped;
    engine->listFiles(folderNumber, false, [&](const volume::FolderFile& file) {
        if (file.selfKey != self || file.location != sector)
            return true;
        size = file.size;
        return false;
    });
    return size;
}

void countNtfsNumber(SaveSelection& ctx, std::uint32_t number, model::TreeItem folder) {
    if (number == 0 || number == model::kLostFolderKey)
        return;
    std::unique_ptr<volume::VolumeEngine> engine; // made at the first clipped row
    const model::RecordTable& files = ctx.tables.fileTable;
    const DateWindow& window = ctx.save.settings.dateWindow;
    using namespace model::folder_col;
    for (int r = 0; r < files.rowCount() && !ctx.save.stopSaving; ++r) {
        if (files.number(r, Parent) != number || files.number(r, Self) < 20 ||
            files.cell(r, Name).empty())
            continue;
        if (window.inForce()) {
            std::uint32_t y = 0, m = 0, d = 0;
            civilDate(files.number64(r, Date), y, m, d);
            if (window.excludes(y, m, d))
                continue;
        }
        auto size = static_cast<std::uint64_t>(files.number64(r, Size));
        if (size == kClippedLogSize)
            size = listedNtfsSize(ctx, engine, number, files.number(r, Self),
                                  files.number(r, Sector), size);
        addToPlan(ctx, {folder, files.cell(r, Name, 1024), size, files.number(r, Sector),
                        files.flag(r, Deleted)});
    }
}

// A folder's files by the volume's file system (list source: by key).
void countFolderByKey(SaveSelection& ctx, model::TreeItem item, std::uint32_t key) {
    if (isFat(ctx)) {
        if (key == 0 || key == model::kLostFolderKey)
            return;
        const model::FolderNode* node = nodeOfItem(ctx, item);
        countEngineFolder(ctx, key, item, node && node->deleted);
    } else if (isNtfs(ctx)) {
        countNtfsNumber(ctx, key, item);
    }
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

void CountFatFolder(SaveSelection& ctx, std::uint32_t reference) {
    ctx.save.counters.filesDone = 0;
    model::TreeItem item = model::kNoItem;
    std::uint32_t key = 0;
    if (!resolveFolder(ctx, reference, item, key) || key == 0 || key == model::kLostFolderKey)
        return;
    const model::FolderNode* node = nodeOfItem(ctx, item);
    countEngineFolder(ctx, key, item, node && node->deleted);
}

void CountFatFolderTree(SaveSelection& ctx, model::TreeItem item, std::uint32_t key) {
    countFolderTree(ctx, item, key);
}

void CountNtfsFolder(SaveSelection& ctx, std::uint32_t reference) {
    model::TreeItem item = model::kNoItem;
    std::uint32_t number = 0;
    if (resolveFolder(ctx, reference, item, number))
        countNtfsNumber(ctx, number, item);
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
        if (isFat(ctx))
            CountFatFolder(ctx, static_cast<std::uint32_t>(child));
        else if (isNtfs(ctx))
            CountNtfsFolder(ctx, static_cast<std::uint32_t>(child));
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
            addToPlan(ctx, {folder, row.cells[Name], model::parseCellNumber(row.cells[Size]),
                            model::parseCellNumber(row.cells[DebugInfo1]),
                            type.rfind("Deleted", 0) == 0});
        } else if (endsWith(type, "FOLDER") || endsWith(type, "Folder")) {
            const auto item =
                static_cast<model::TreeItem>(model::parseCellNumber(row.cells[DebugInfo3]));
            countFolderTree(ctx, item, model::parseCellNumber(row.cells[DebugInfo1]));
        }
    }
}

void CountSaveSelection(SaveSelection& ctx) {
    SaveState& save = ctx.save;
    save.counters = {};
    save.plan.clear();
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
    if (rootFiles && isFat(ctx))
        countEngineFolder(ctx, model::kFatRootKey, root, false);
    else if (rootFiles && isNtfs(ctx))
        countNtfsNumber(ctx, model::kNtfsRootKey, root);
    CountTreeSelection(ctx, root);
}

} // namespace qr::output
