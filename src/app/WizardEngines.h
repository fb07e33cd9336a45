#pragma once
// The engine calls the wizard makes at its transitions. defaultWizardEngines() binds
// them to the real engines; a test may replace one to look at a transition alone.
#include <cstdint>
#include <functional>

namespace qr::app {

struct RecoveryContext;

struct WizardEngines {
    // Shows the details of a disk in the right-panel list (disk step).
    std::function<void(RecoveryContext&, std::uint16_t disk)> showDiskDetails;
    // Gives the partition tree its root and reads the partition table of the selected disk.
    std::function<void(RecoveryContext&)> readPartitionTable;
    // Gives the recovery tree its "Root" item.
    std::function<void(RecoveryContext&)> ensureRecoveryRoot;
    std::function<bool(RecoveryContext&)> validateVolume;
    std::function<void(RecoveryContext&)> startScan;
    std::function<void(RecoveryContext&)> startFileSystemWorker;
    // Adds the "Lost" pseudo-folder row to FolderTable.
    std::function<void(RecoveryContext&)> addLostFolderRow;
    // Frees the folder tree built by a search (FolderNodeList and the tree items).
    std::function<void(RecoveryContext&)> discardRecoveryTree;
    std::function<void(RecoveryContext&)> saveRecoveryLog;
    // The user's "Search More Partitions" and "Stop Search Partition".
    std::function<void(RecoveryContext&)> startPartitionSearch;
    std::function<void(RecoveryContext&)> stopPartitionSearch;
};

WizardEngines defaultWizardEngines();

} // namespace qr::app
