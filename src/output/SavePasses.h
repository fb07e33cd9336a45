#pragma once
// The two passes of a save. The counting pass walks the selection (the recovery tree's
// marked folders, or the file list's rows), adds up files and bytes and records each
// admitted file in the save's plan; the writing pass extracts every planned file in
// save mode below the destination folder, recreating the tree's folders.
#include "model/TreeModel.h"
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qr::model {
class FileList;
class FolderNodeList;
struct RecordTables;
} // namespace qr::model
namespace qr::volume {
class VolumeEngine;
}
namespace qr::platform {
class UserMessages;
}

namespace qr::output {

struct SaveState;

// What the counting pass reads and fills: the save's state and plan, the recovery tree
// and its folder nodes, the file list and the folder it shows, the search's record
// tables (NTFS file rows), the volume's file system and a maker of its engine.
struct SaveSelection {
    SaveState& save;
    model::TreeModel& recoveryTree;
    model::FolderNodeList& folderNodes;
    model::FileList& fileList;
    model::TreeItem currentFolderItem;
    model::RecordTables& tables;
    // Key of the root folder, whose own files are listed apart from its subfolders.
    std::uint32_t rootKey = 0;
    std::function<std::unique_ptr<volume::VolumeEngine>()> engine;
};

// Resets the counters and the plan, then walks by the save source (list: the file
// list's rows; otherwise the tree from its root item).
void CountSaveSelection(SaveSelection& selection);
// The tree walk: an unmarked item (state image 1) is neither counted nor descended.
void CountTreeSelection(SaveSelection& selection, model::TreeItem item);
// The list walk over the rows the selection mode admits.
void CountListSelection(SaveSelection& selection);

// Counts one folder's files as the engine lists them (tree item under the tree source,
// folder key under the list source) with the date window.
void CountFolder(SaveSelection& selection, std::uint32_t reference);
// The folder of `item`, then its sub-folders depth first in tree order.
void CountFolderTree(SaveSelection& selection, model::TreeItem item, std::uint32_t key);

// What the writing pass reads besides the save: the device name of the medium under
// recovery (never a destination), the volume's engine (null: none), the recovery tree
// (the planned folders' paths) and where a refused destination is told.
struct SaveSources {
    std::string sourceDevice;
    volume::VolumeEngine* engine = nullptr;
    const model::TreeModel& recoveryTree;
    platform::UserMessages* messages = nullptr;
    // The tree's folder nodes: the saved folders get their entries' dates (null: not).
    const model::FolderNodeList* folderNodes = nullptr;
};

// The writing pass over the plan. Resets the replace answer and the stop flag, creates
// the folders and writes each file; totals go to the save's summary.
void WriteSavePlan(SaveState& save, const SaveSources& sources);

} // namespace qr::output
