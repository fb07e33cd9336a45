#include "app/Wizard.h"

#include "model/FileSystemDetails.h"

// Back from each step, restoring the step before as the user left it.

namespace qr::app {

void Wizard::back() {
    if (searchRunning())
        return; // Back is disabled while a search runs
    switch (ctx_.wizardStage) {
    case 1:
        backToDiskStep();
        break;
    case 2:
        backToPartitionStep();
        break;
    case 3:
        backFromBrowseStep();
        break;
    default:
        break;
    }
}

void Wizard::backToDiskStep() {
    ctx_.readFailureNotices = 1;
    view_.setItemText(item::kStatusLine, wizard_text::kDiskStep);
    view_.showItem(item::kPartitionOptions, false);
    view_.showItem(item::kPartitionTree, false);
    view_.showItem(item::kSearchPartition, false);
    showRawControls(false);
    view_.showItem(item::kDiskTree, true);
    view_.showItem(item::kDiskStepPanel, true);
    ctx_.wizardStage = 0;
    ctx_.searchMode = kNoSearchMode;
    view_.enableItem(item::kLoadLogButton, false);
    view_.enableItem(item::kSaveLogButton, false);
    view_.enableItem(item::kSaveButton, false);
    view_.enableItem(item::kMenuLoadLog, false);
    view_.enableItem(item::kBack, false);
    view_.enableItem(item::kNext, false);
    for (int button : {item::kQuickMode, item::kAdvancedMode, item::kRawMode})
        view_.checkItem(button, false);
    // The next disk gets its own partition tree.
    ctx_.partitionTree.clear();
    ctx_.firstPartitionItem = model::kNoItem;
    ctx_.tableCorrupted = false;
}

void Wizard::backToPartitionStep() {
    auto& t = ctx_.tables;
    t.folderTable.clear();
    t.fileTable.clear();
    t.indexRecordTable.clear();
    t.bootSectorTable.clear();
    t.fileSystemTable.clear();
    if (ctx_.searchMode == kSearchAdvanced)
        t.dirClusterTable.clear();
    view_.setItemText(item::kDirectoriesFound, "0");
    view_.setItemText(item::kBootSectorsFound, "0");
    ctx_.fileSystemTree.clear();
    ctx_.fileSystemTree.insert(model::kNoItem, "File Systems", model::tree_image::kRoot,
                               model::tree_image::kRoot);
    view_.showItem(item::kFileSystemTree, false);
    view_.showItem(item::kSearchView, false);
    view_.showItem(item::kPartitionTree, true);
    view_.showItem(item::kPartitionOptions, true);
    view_.setSingleColumn(item::kFileList, " Disk Details", 485);
    if (ctx_.searchMode == kSearchAdvanced) {
        view_.showItem(item::kPartitionType, true);
        view_.showItem(item::kPartitionTypeLabel, true);
        showSectorFields(true);
        view_.setListRows(item::kSummaryList, {"Partition Number : 1", "Search Mode : Advance"});
    } else {
        fillPartitionSummary(1);
    }
    if (ctx_.searchMode != kSearchRaw) {
        view_.enableItem(item::kMenuLoadLog, true);
        view_.enableItem(item::kLoadLogButton, true);
    }
    view_.enableItem(item::kNext, true);
    view_.showItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.setItemText(item::kStatusLine, wizard_text::kPartitionStep);
    ctx_.partitionTree.setSelected(ctx_.firstPartitionItem);
    ctx_.wizardStage = 1;
}

void Wizard::backFromBrowseStep() {
    view_.setSingleColumn(item::kFileList, " Disk Details", 485);
    view_.enableItem(item::kMenuSelectAll, false);
    view_.enableItem(item::kMenuSave, false);
    view_.enableItem(item::kSaveButton, false);
    view_.enableItem(item::kMenuSaveLog, false);
    view_.enableItem(item::kSaveLogButton, false);
    view_.showItem(item::kCurrentFolder, false);
    if (engines_.discardRecoveryTree)
        engines_.discardRecoveryTree(ctx_);
    ctx_.recoveryTree.clear();
    // Items of the destroyed tree; the next tree reuses their numbers for other folders.
    ctx_.currentFolderItem = model::kNoItem;
    ctx_.lastClickedFolderItem = model::kNoItem;
    if (ctx_.searchMode == kSearchAdvanced) {
        view_.setItemText(item::kStatusLine, wizard_text::kFileSystems);
        if (engines_.ensureRecoveryRoot)
            engines_.ensureRecoveryRoot(ctx_);
        view_.showItem(item::kRecoveryTree, false);
        view_.showItem(item::kFileSystemTree, true);
        auto root = ctx_.fileSystemTree.firstTopLevel();
        auto systems = ctx_.fileSystemTree.children(root);
        if (!systems.empty())
            ctx_.fileSystemTree.setSelected(systems.front());
        view_.setSingleColumn(item::kFileList, " Partition Details ", 450);
        view_.setListRows(item::kFileList,
                          model::FileSystemDetailsRows(ctx_.tables.fileSystemTable, 0));
        ctx_.pickedFileSystem = 0;
        view_.enableItem(item::kNext, true);
        ctx_.wizardStage = 2;
        return;
    }
    if (ctx_.searchMode != kSearchRaw) {
        view_.enableItem(item::kLoadLogButton, true);
        view_.enableItem(item::kMenuLoadLog, true);
    }
    // The partition searched stays highlighted, and the next search reads it again.
    const model::TreeItem searched = ctx_.partitionTree.selected();
    buildPartitionStep();
    if (searched != model::kNoItem && searched != ctx_.firstPartitionItem)
        clickPartition(searched);
    view_.showItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.enableItem(item::kSearchPartition, ctx_.searchMode != kSearchRaw);
    view_.enableItem(item::kNext, true);
    view_.setItemText(item::kStatusLine, wizard_text::kPartitionStep);
    ctx_.wizardStage = 1;
}

} // namespace qr::app
