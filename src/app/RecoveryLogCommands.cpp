#include "app/RecoveryLogCommands.h"

#include "app/EngineHooks.h"
#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "model/FileList.h"
#include "model/LogFolderTree.h"
#include "model/RecoveryTree.h"
#include "output/RecoveryLogFormat.h"
#include "output/RecoveryLogState.h"
#include "volume/EngineRegistry.h"

#include <future>
#include <span>

namespace qr::app {

namespace {

void showError(RecoveryContext& ctx, const std::string& text) {
    if (ctx.messages)
        ctx.messages->error(text);
}

// Back to the partition step, as before the load command: partition tree shown, the
// new recovery tree emptied and hidden.
void restorePartitionStep(RecoveryContext& ctx) {
    WindowItems& window = ctx.window();
    window.showItem(item::kPartitionTree, true);
    window.enableItem(item::kRecoveryTree, true);
    window.showItem(item::kRecoveryTree, false);
    ctx.recoveryTree.clear();
    ctx.wizardStage = 1;
    if (ctx.searchMode != kSearchRaw)
        window.enableItem(item::kMenuLoadLog, true);
}

// The results step: partition-step controls hidden, the file list with its result
// columns, empty.
void showResultsStep(RecoveryContext& ctx) {
    WindowItems& window = ctx.window();
    for (int id : {item::kPartitionOptions, item::kFileTypeList,       item::kEntireDisk,
                   item::kSectorRange,      item::kPartitionTypeLabel, item::kPartitionType,
                   item::kStartSectorLabel, item::kStartSector,        item::kEndSectorLabel,
                   item::kEndSector,        item::kRawStart,           item::kRawEnd,
                   item::kRawStartLabel,    item::kRawEndLabel,        item::kResultList,
                   item::kStartRecovery,    item::kSearchPartition,    item::kModeCaption,
                   item::kSearchView,       item::kRawMetadataNames,   item::kRawEveryKind})
        window.showItem(id, false);
    model::SetUpFolderColumns(ctx.fileList);
    window.showItem(item::kCurrentFolder, true);
    ctx.wizardStage = 3;
    ctx.fileList.clear();
}

// The commands and buttons of a browse step reached by a load.
void finishLoadedWindow(RecoveryContext& ctx) {
    WindowItems& window = ctx.window();
    window.enableItem(item::kRecoveryTree, true);
    window.enableItem(item::kMenuSave, true);
    window.enableItem(item::kMenuSelectAll, true);
    window.enableItem(item::kMenuSaveLog, true);
    window.showItem(item::kBack, true);
    window.showItem(item::kNext, true);
    window.enableItem(item::kBack, true);
    window.enableItem(item::kNext, false);
    window.enableItem(item::kSaveButton, true);
    window.enableItem(item::kSaveLogButton, true);
    window.enableItem(item::kLoadLogButton, false);
    window.enableItem(item::kMenuLoadLog, false);
    window.setItemText(item::kStatusLine, kLoadedInstructions);
}

// The folder tree from the folders of a log. Folders with one key each go through
// FolderTable and the tree builder; a list that repeats keys is replayed in its order.
void buildTreeFromLog(RecoveryContext& ctx, const output::RecoveryLogSnapshot& log) {
    const volume::EngineRow* row = volume::FindEngineRow(log.fileSystemName);
    if (!row || !row->hooks) {
        ctx.tables.folderTable.clear(); // a file system the tree cannot show
        return;
    }
    std::vector<model::LogFolder> folders;
    folders.reserve(log.folders.size());
    for (const output::FolderRecord& f : log.folders)
        folders.push_back({f.name, f.selfKey, f.parentKey, f.date, f.time, f.deleted});
    if (model::HasUniqueKeys(folders)) {
        app::BuildFolderTree(ctx, row->hooks->logTree);
        return;
    }
    ctx.tables.folderTable.clear();
    model::ReplayLogFolders(ctx.recoveryTree, ctx.folderNodes, folders, row->traits.rootKey);
}

} // namespace

output::RecoveryLogSnapshot TakeRecoveryLogSnapshot(const RecoveryContext& ctx) {
    output::LogSearchFields search;
    search.diskModel = ctx.diskModel;
    search.searchMode = ctx.searchMode;
    search.selectedDiskNumber = ctx.selectedDiskNumber;
    search.searchDiskNumber = ctx.searchDiskNumber;
    search.searchPartitionIndex = ctx.searchPartitionIndex;
    search.searchModeText = ctx.searchModeText;
    return output::TakeLogSnapshot(search, ctx.volumeParams, ctx.activeGeometry, ctx.folderNodes,
                                   ctx.tables.fileTable);
}

output::LogWriteResult WriteRecoveryLog(const RecoveryContext& ctx, const std::string& path) {
    const std::vector<unsigned char> bytes =
        output::EncodeRecoveryLog(TakeRecoveryLogSnapshot(ctx));
    return output::WriteLogFile(path, bytes);
}

bool SaveRecoveryLog(RecoveryContext& ctx, const output::ChooseLogPath& choose) {
    if (!ctx.messages || !choose)
        return false;
    const std::optional<std::string> path = output::ChooseLogSavePath(choose, *ctx.messages);
    if (!path)
        return false;
    switch (WriteRecoveryLog(ctx, *path)) {
    case output::LogWriteResult::Written:
        return true;
    case output::LogWriteResult::CannotOpen:
        showError(ctx, output::kUnableToOpenFile);
        return false;
    case output::LogWriteResult::CannotWrite:
        showError(ctx, output::kUnableToWriteFile);
        return false;
    }
    return false;
}

LogReadOutcome ReadRecoveryLog(const std::string& path, const std::string& diskModel) {
    LogReadOutcome out;
    const output::LogFileBytes file = output::ReadLogFile(path);
    if (file.result == output::LogReadResult::CannotOpen) {
        out.outcome = LogLoadOutcome::CannotOpen;
        return out;
    }
    if (file.result != output::LogReadResult::Read) {
        out.problem = file.result == output::LogReadResult::TooLarge ? "the file is too large"
                                                                     : "the file cannot be read";
        return out;
    }
    const std::span<const unsigned char> bytes(file.bytes);
    const std::optional<std::string> model = output::ReadLogDiskModel(bytes);
    if (!model) {
        out.problem = "the file ends before its disk model";
        return out;
    }
    if (*model != diskModel) {
        out.outcome = LogLoadOutcome::WrongDisk;
        return out;
    }
    output::LogParseResult parsed = output::ParseRecoveryLog(bytes);
    if (!parsed.snapshot) {
        out.problem = std::move(parsed.problem);
        return out;
    }
    out.outcome = LogLoadOutcome::Loaded;
    out.log = std::move(parsed.snapshot);
    return out;
}

void RestoreRecoveryLog(RecoveryContext& ctx, const output::RecoveryLogSnapshot& log,
                        const std::function<void()>& tablesReady) {
    // The stored mode has no effect: a loaded recovery is browsed as a Standard one.
    ctx.searchMode = kSearchStandard;
    ctx.searchDiskNumber = ctx.selectedDiskNumber;
    ctx.searchPartitionIndex = static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(ctx.searchPartitionIndex) & ~0xFFu) | log.partitionIndex);
    ctx.searchModeText = log.modeCaption;
    output::RestoreVolumeFromLog(log, ctx.volumeParams, ctx.activeGeometry);
    // The engines' state of an earlier search does not belong to the loaded rows.
    ctx.ntfsVolume.reset();
    ctx.exfatVolume.reset();
    // What the engine keeps of its own state in the log (a picked NTFS volume).
    const volume::EngineRow* row = volume::FindEngineRow(ctx.activeGeometry.fileSystemName);
    if (row && row->hooks && row->hooks->restoreFromLog)
        row->hooks->restoreFromLog(ctx, log);

    ctx.folderNodes.clear();
    ctx.recoveryTree.clear();
    ctx.currentFolderItem = model::kNoItem;
    ctx.lastClickedFolderItem = model::kNoItem;
    output::FillTablesFromLog(log, ctx.tables.folderTable, ctx.tables.fileTable);
    if (tablesReady)
        tablesReady();
    buildTreeFromLog(ctx, log);
}

void BeginRecoveryLogLoad(RecoveryContext& ctx) {
    WindowItems& window = ctx.window();
    window.showItem(item::kPartitionTree, false);
    ctx.folderNodes.clear();
    ctx.recoveryTree.clear();
    ctx.currentFolderItem = model::kNoItem;
    ctx.lastClickedFolderItem = model::kNoItem;
    ctx.wizardStage = 3;
    window.showItem(item::kRecoveryTree, true);
    window.enableItem(item::kRecoveryTree, false);
}

LogLoadOutcome LoadRecoveryLog(RecoveryContext& ctx, const RecoveryLogDialogs& dialogs) {
    WindowItems& window = ctx.window();
    const std::vector<std::string> names =
        dialogs.chooseLoadPaths ? dialogs.chooseLoadPaths() : std::vector<std::string>{};
    if (names.empty()) {
        restorePartitionStep(ctx);
        return LogLoadOutcome::Cancelled;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        window.setItemText(item::kStatusLine, kPleaseWait);
    const std::uint16_t previousMode = ctx.searchMode;
    window.enableItem(item::kMenuLoadLog, false);

    LogReadOutcome read = ReadRecoveryLog(names.back(), ctx.diskModel);
    if (read.outcome != LogLoadOutcome::Loaded) {
        showError(ctx, read.outcome == LogLoadOutcome::CannotOpen  ? output::kUnableToOpenFile
                       : read.outcome == LogLoadOutcome::WrongDisk ? kWrongDisk
                                                                   : kErrorInFile);
        ctx.searchMode = previousMode;
        restorePartitionStep(ctx);
        return read.outcome;
    }

    bool waitShown = false;
    RestoreRecoveryLog(ctx, *read.log, [&] {
        if (dialogs.showWaitPopup)
            dialogs.showWaitPopup();
        waitShown = true;
        showResultsStep(ctx);
    });
    if (waitShown && dialogs.closeWaitPopup)
        dialogs.closeWaitPopup();
    finishLoadedWindow(ctx);
    return LogLoadOutcome::Loaded;
}

void SaveLogCommand(RecoveryContext& ctx, const RecoveryLogDialogs& dialogs,
                    LogCommandSource source) {
    if (ctx.searchMode == kSearchRaw) {
        showError(ctx, kRawModeRefusal);
        return;
    }
    if (source == LogCommandSource::Button && ctx.wizardStage != 3)
        return;
    SaveRecoveryLog(ctx, dialogs.chooseSavePath);
}

void LoadLogCommand(RecoveryContext& ctx, const RecoveryLogDialogs& dialogs,
                    LogCommandSource source) {
    if (ctx.searchMode == kSearchRaw) {
        showError(ctx, kRawModeRefusal);
        return;
    }
    if (source == LogCommandSource::Button && ctx.wizardStage != 1)
        return;
    if (ctx.logLoadRunning)
        return;
    if (ctx.logLoadThread.joinable())
        ctx.logLoadThread.join(); // the last load has ended; its handle is still here
    BeginRecoveryLogLoad(ctx);
    ctx.logLoadRunning = true;
    // The worker begins once its handle is stored.
    std::promise<void> stored;
    std::shared_future<void> handleStored = stored.get_future().share();
    ctx.logLoadThread = std::jthread([&ctx, dialogs, handleStored] {
        handleStored.wait();
        LoadRecoveryLog(ctx, dialogs);
        ctx.logLoadRunning = false;
    });
    stored.set_value();
}

} // namespace qr::app
