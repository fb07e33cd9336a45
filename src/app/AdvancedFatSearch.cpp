#include "app/AdvancedFatSearch.h"

#include "app/EngineHooks.h"
#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "app/SearchReport.h"
#include "disk/SectorReader.h"
#include "fat/FatReadCache.h"
#include "fat/InferFileSystems.h"
#include "fat/OwnBootSector.h"
#include "fat/PickedFileSystem.h"
#include "fat/SweepFatStructures.h"
#include "model/FileSystemDetails.h"
#include "model/LostDirectories.h"
#include "model/RecoveryTree.h"
#include "volume/EngineRegistry.h"

namespace qr::app {

namespace {

using namespace item;

const char* const kPickInstructions = "For selecting partition click on back button and for save "
                                      "Files or Directories click on next button.";
const char* const kBackInstructions = "For selecting partition click on back button.";
const char* const kNoFileSystem = "No file system could be identified";

} // namespace

// One item per FileSystemTable row under the "File Systems" root; returns the first.
model::TreeItem ListFileSystemItems(RecoveryContext& context) {
    model::TreeModel& tree = context.fileSystemTree;
    model::TreeItem root = tree.firstTopLevel();
    if (!tree.valid(root) || !tree.children(root).empty()) {
        tree.clear();
        root = tree.insert(model::kNoItem, "File Systems", model::tree_image::kRoot,
                           model::tree_image::kRoot);
    }
    model::TreeItem first = model::kNoItem;
    const model::RecordTable& systems = context.tables.fileSystemTable;
    for (int i = 0; i < systems.rowCount(); ++i) {
        const model::TreeItem item =
            tree.insert(root, model::FileSystemItemText(systems, i), model::tree_image::kFileSystem,
                        model::tree_image::kFileSystem);
        tree.setData(item, static_cast<std::uint64_t>(i));
        if (first == model::kNoItem)
            first = item;
    }
    tree.setExpanded(root, true);
    return first;
}

bool SweepAdvancedFat(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    window.setItemText(kCounterLabel, "Directories Found                      :");
    window.showItem(kBootSectorsLabel, true);
    window.showItem(kBootSectorsFound, true);
    if (!context.reader)
        return true;
    const volume::VolumeParams& v = context.volumeParams;
    fat::SweepFatStructures(*context.reader, v.partitionStart, v.partitionEnd, context.tables, stop,
                            context.progress());
    return !stop.stop_requested();
}

void ShowAdvancedFatFileSystems(RecoveryContext& context, bool stopped) {
    context.window().showItem(kStopSearch, false);
    context.tables.fileSystemTable.clear();
    context.fileSystemCount = fat::InferFileSystems(
        context.tables, context.volumeParams.kind(), context.progress(),
        context.reader ? fat::OwnBootSectorOfRange(*context.reader, context.tables.bootSectorTable,
                                                   context.volumeParams.partitionStart)
                       : fat::kNoOwnBootSector);
    ShowFoundFileSystems(context, stopped);
}

void ShowFoundFileSystems(RecoveryContext& context, bool stopped) {
    WindowItems& window = context.window();
    if (context.fileSystemCount == 0) {
        window.enableItem(kNext, false);
        if (!stopped)
            window.setItemText(kStatusLine, "");
        if (context.messages)
            context.messages->error(kNoFileSystem);
        if (stopped)
            window.setItemText(kStatusLine, kBackInstructions);
    }
    const model::TreeItem first = ListFileSystemItems(context);
    window.showItem(kSearchView, false);
    window.showItem(kFileSystemTree, true);
    if (first != model::kNoItem)
        context.fileSystemTree.setSelected(first);
    window.enableItem(kBack, true);
    window.enableItem(kNext, context.fileSystemCount > 0);
    window.showItem(kProgressBar, false);
    window.showItem(kProgressCaption, false);
    ShowFileSystemDetails(context, 0);
    FillRecoveryDetails(context);
    if (!stopped || context.fileSystemCount > 0)
        window.setItemText(kStatusLine, kPickInstructions);
}

std::string_view PickedFileSystemNotSearched(const RecoveryContext& context) {
    const model::RecordTable& systems = context.tables.fileSystemTable;
    const int row = context.pickedFileSystem;
    if (row < 0 || row >= systems.rowCount())
        return {};
    return volume::NotSearchedText(systems.cell(row, model::boot_col::PartType));
}

void ShowFileSystemDetails(RecoveryContext& context, int index) {
    model::FileList& list = context.fileList;
    list.setColumns({{" Partition Details ", 450}});
    list.clear();
    for (const std::string& text :
         model::FileSystemDetailsRows(context.tables.fileSystemTable, index)) {
        model::FileListRow row;
        row.cells[model::file_col::Name] = text;
        list.append(row);
    }
    if (index >= 0 && index < context.tables.fileSystemTable.rowCount())
        context.pickedFileSystem = index;
}

void OpenPickedFatFileSystem(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    const auto number = static_cast<std::uint32_t>(context.pickedFileSystem + 1);
    // The type the row names: a FAT16 search goes on as FAT32 when the volume is.
    context.activeGeometry =
        fat::OpenPickedFileSystem(*context.reader, context.tables, number, stop);
    context.folderNodes.clear();
    context.searchCache.reset();
    context.recoveryTree.clear();
    app::EnsureRootItem(context);
    window.showItem(kProgressBar, true);
    window.showItem(kProgressCaption, true);
    window.showItem(kFileList, true);
    window.enableItem(kFileList, false);
    window.setItemText(kProgressCaption, "Searching Lost Directories. Please Wait...");
    model::FindLostDirectories(context.tables.folderTable, model::kFatRootParent,
                               context.progress());
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    app::BuildFolderTree(context, model::TreeVariant::FatAdvance);
    context.searchCache.reset();
    WriteSearchReport(context);
    window.enableItem(kMenuSaveLog, true);
}

void FileSystemWorker(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    context.fileSystemWorkerRunning = true;
    window.enableItem(kRecoveryTree, false);
    window.enableItem(kBack, false);
    window.enableItem(kNext, false);
    window.showItem(kFileSystemTree, false);
    window.showItem(kRecoveryTree, true);
    context.wizardStage = 3;

    if (const std::string_view notSearched = PickedFileSystemNotSearched(context);
        !notSearched.empty()) {
        // Named, but not searched: nothing is read from its tables as another's entries.
        if (context.messages)
            context.messages->error(std::string(notSearched));
    } else if (const EngineHooks* hooks = HooksOf(context);
               hooks && hooks->openPickedFileSystem && context.reader) {
        hooks->openPickedFileSystem(context, stop);
    }

    window.showItem(kSearchView, false);
    model::SetUpFolderColumns(context.fileList);
    window.enableItem(kFileList, true);
    window.showItem(kRecoveryTree, true);
    window.enableItem(kRecoveryTree, true);
    window.enableItem(kNext, false);
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
    window.showItem(kProgressCaption, false);
    window.enableItem(kMenuSelectAll, true);
    window.enableItem(kMenuSave, true);
    context.fileSystemWorkerRunning = false;
}

void StartFileSystemWorker(RecoveryContext& context) {
    if (context.fileSystemWorker.joinable()) {
        context.fileSystemWorker.request_stop();
        context.fileSystemWorker.join();
    }
    context.fileSystemWorkerRunning = true;
    context.fileSystemWorker = std::jthread(
        [&context](std::stop_token stop) { FileSystemWorker(context, std::move(stop)); });
}

} // namespace qr::app
