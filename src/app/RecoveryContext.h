#pragma once
// The one record of the recovery run, owned by the application layer: the controllers
// read and write it, and hand the engines the small ports they need from it.
#include "app/SearchProgressWindow.h"
#include "app/WindowItems.h"
#include "fat/ActiveGeometry.h"
#include "fat/FatVolume.h"
#include "model/FileList.h"
#include "model/FolderNodeList.h"
#include "model/RecordTable.h"
#include "model/TreeModel.h"
#include "output/SaveState.h"
#include "platform/Programs.h"
#include "platform/UserMessages.h"
#include "volume/DiskPartitionRecord.h"
#include "volume/SearchProgress.h"
#include "volume/VolumeEngine.h"
#include "volume/VolumeParams.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace qr::ntfs {
struct NtfsVolumeState;
}
namespace qr::exfat {
struct ExfatVolumeState;
}
namespace qr::disk {
class SectorReader;
}
namespace qr::platform {
class RegistryStore;
}

namespace qr::app {

struct AdvancedExfatState;

enum class PlatformFamily : char { Win95 = 'F', NT = 'N' };

inline constexpr std::uint16_t kNoSearchMode = 0xFFFF;
inline constexpr std::uint16_t kSearchStandard = 1;
inline constexpr std::uint16_t kSearchAdvanced = 2;
inline constexpr std::uint16_t kSearchRaw = 3;

// Services the engines reach the outside through. Owned by whoever builds the
// context (the GUI, the CLI, a test); they outlive it.
struct Services {
    WindowItems* window = nullptr;
    platform::UserMessages* messages = nullptr;
    platform::RegistryStore* registry = nullptr;
    // Companion programs and the desktop opener; null: the system's own.
    platform::ProgramRunner* programs = nullptr;
    platform::ShellOpener* shell = nullptr;
};

struct RecoveryContext {
    explicit RecoveryContext(Services services = {});
    ~RecoveryContext();
    RecoveryContext(const RecoveryContext&) = delete;
    RecoveryContext& operator=(const RecoveryContext&) = delete;

    // Services; window() never returns null (a null window is used when none was given).
    WindowItems& window() { return services.window ? *services.window : nullWindow_; }
    platform::ProgramRunner& programs() {
        return services.programs ? *services.programs : defaultPrograms_;
    }
    platform::ShellOpener& shell() { return services.shell ? *services.shell : defaultShell_; }
    // Typed progress of the running search, rendered into window() (and handed to an
    // observer, such as the command line's progress line, when one is set).
    SearchProgressWindow& progress() { return progress_; }
    // The browsing window's current-folder line, rendered by the same adapter.
    model::CurrentFolderView& currentFolderView() { return progress_; }
    platform::UserMessages* messages = nullptr;
    platform::RegistryStore* registry = nullptr;
    std::unique_ptr<disk::SectorReader> reader;

    // Start-up and disk step.
    PlatformFamily platform = PlatformFamily::NT;
    std::string installationPath;
    std::uint16_t selectedDiskNumber = 0;
    std::string selectedDiskLabel;
    std::uint16_t searchMode = kNoSearchMode;
    std::int32_t wizardStage = -1;
    // The read-failure notice acts while this is 1; reads on two threads may fail at once.
    std::atomic<std::uint32_t> readFailureNotices{1};
    bool tableCorrupted = false;
    bool anyDiskFound = false;
    bool emptyDiskSlotSeen = false;
    std::string diskModel;
    // Disk listing: the No Media prompt of start-up (joinable once started, so a retried
    // listing knows it is one) and the modal No Media dialog a retry shows again.
    std::jthread noDiskPromptThread;
    std::function<void()> showNoMediaDialog;

    // Partition step.
    std::array<volume::DiskPartitionRecord, volume::kMaxDisks> partitions{};
    model::TreeItem firstPartitionItem = model::kNoItem;
    std::uint16_t searchDiskNumber = 0;
    std::int32_t searchPartitionIndex = 0;
    std::string searchModeText;
    std::string workFolder;
    bool validationSucceeded = false;
    bool rawWholeDisk = false;
    bool rawRangeChosen = false;
    std::uint64_t rawDiskSectors = 0;
    volume::VolumeParams volumeParams;

    // Search results.
    fat::ActiveGeometry activeGeometry;
    model::RecordTables tables;

    // Left-panel trees.
    model::TreeModel diskTree;
    model::TreeModel partitionTree;
    model::TreeModel fileSystemTree;
    model::TreeModel recoveryTree;

    // Recovered folders and browsing (recovery tree, file list, scan driver).
    model::FolderNodeList folderNodes;
    model::FileList fileList;
    model::TreeItem currentFolderItem = model::kNoItem;
    model::TreeItem lastClickedFolderItem = model::kNoItem;
    bool listOnExpansion = false;
    bool clickSelects = false;
    // Set while ScanWorker runs; `scanStopped` when it gave up on a stop request
    // before building the tree (StopSearch then finishes the search).
    std::atomic<bool> scanWorkerRunning{false};
    // FAT sectors and directory clusters read during the current search.
    std::unique_ptr<fat::FatReadCache> searchCache;
    // Keeps searchCache after the tree is built, for a caller that lists every folder as
    // part of the search (recovery-cli list); the file list then reads through it.
    bool keepSearchCache = false;
    // The Standard search's walk from the root and its sweep for lost folders, or the
    // walk alone (recovery-cli list --walk-only).
    volume::SearchScope searchScope = volume::SearchScope::WalkAndSweep;
    // A window that browses the walk's tree while the sweep runs sets this; the tree is
    // then built at the walk's end, and `walkTreeShown` stays set until the sweep's
    // folders joined it. `browseMutex` is held by whatever reads the tree while the
    // search runs (browsing, a save) and by the join, which waits for them.
    bool showWalkedTree = false;
    std::atomic<bool> walkTreeShown{false};
    std::recursive_mutex browseMutex;
    // The MFT's runs and the file index of the NTFS volume of the current search.
    std::shared_ptr<ntfs::NtfsVolumeState> ntfsVolume;
    // The exFAT search's file rows indexed by folder, kept while the user browses.
    std::shared_ptr<exfat::ExfatVolumeState> exfatVolume;
    // The walk's file rows and their index, which the walk's tree lists while the sweep
    // goes on appending to FileTable (exFAT).
    std::optional<model::RecordTable> walkFileTable;
    std::shared_ptr<exfat::ExfatVolumeState> exfatWalkVolume;
    // What the Advanced exFAT sweep found and the file systems inferred from it.
    std::shared_ptr<AdvancedExfatState> advancedExfat;
    bool scanStopped = false;
    // Where the medium stopped answering during the last search (it shrank or went
    // away); the search's rows are those found before. Empty when it answered throughout.
    std::optional<std::uint64_t> mediumLostAt;
    // Advanced mode: the file systems the last inference identified, and the one picked
    // on the file-systems step (0-based); `fileSystemWorkerRunning` while its tree is built.
    int fileSystemCount = 0;
    int pickedFileSystem = 0;
    std::atomic<bool> fileSystemWorkerRunning{false};
    // Summary lines of the last search, for the reports.
    struct RecoveryDetails {
        std::string diskNumber, modelNumber, partitionNumber, partitionType, searchMode,
            searchRange, entireDiskStatus;
    } recoveryDetails;
    // When the running or last search started (for the report's search time).
    std::chrono::steady_clock::time_point searchStarted{};

    // Workers. At most one search runs at a time; each polls its stop token.
    std::jthread partitionSearchThread;
    std::jthread scanWorker;
    std::jthread fileSystemWorker;
    // Advanced NTFS: the worker that gives the swept records their numbers and volumes
    // after the sweep; `assignmentRunning` from its start until it ends.
    std::atomic<bool> assignmentRunning{false};
    std::jthread assignmentWorker;
    // Starts the partition search (wired by the partition step); used by the
    // read-failure notice.
    std::function<void()> startPartitionSearch;
    // Partitions: the hand-off between the table reading and the partition search
    // (volume/PartitionSearch.h); `partitionSearchRunning` is set while it runs.
    bool readingPartitionTable = false;
    bool partitionSearchPending = false;
    std::atomic<bool> partitionSearchRunning{false};
    // Set by the user's stop: the stopped search still finishes the partition step.
    std::atomic<bool> partitionSearchStopAsked{false};

    // Saving and opening: settings, replace answer, flags, counters, the save's plan,
    // and the worker of its counting or writing pass (declared last of the state it uses,
    // so it is joined first).
    output::SaveState save;
    std::jthread saveWorker;
    // The recovery-log loader; `logLoadRunning` is set from its start until it ends.
    std::atomic<bool> logLoadRunning{false};
    std::jthread logLoadThread;

    Services services;

private:
    NullWindowItems nullWindow_;
    platform::PosixProgramRunner defaultPrograms_;
    platform::XdgShellOpener defaultShell_;
    SearchProgressWindow progress_{[this]() -> WindowItems& { return window(); }};
};

// What the FAT engine reads: the context's reader, working layout (ActiveGeometry) and
// volume end.
fat::FatVolume FatVolumeOf(RecoveryContext& context, bool searchCache = false);

// The engine of file system `kind` over the context's volume, through its registry row;
// null for a kind the registry does not know or a volume it cannot read.
// `searchCache`: reads go through the search's cache of FAT sectors and directory
// clusters (the tree builder); the file list the user opens reads the medium.
std::unique_ptr<volume::VolumeEngine>
EngineFor(RecoveryContext& context, volume::FileSystemKind kind, bool searchCache = false);
// The engine of the volume under recovery (by its file-system name).
std::unique_ptr<volume::VolumeEngine> EngineFor(RecoveryContext& context);

} // namespace qr::app
