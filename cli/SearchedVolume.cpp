#include "SearchedVolume.h"

#include "PartitionSession.h"
#include "ProgressLine.h"
#include "VolumeLog.h"
#include "app/AdvancedFatSearch.h"
#include "app/EmptySearch.h"
#include "app/EngineHooks.h"
#include "app/PartitionCommands.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "model/FileSystemDetails.h"
#include "volume/EngineRegistry.h"
#include "volume/VolumeValidation.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>

namespace qr::cli {

namespace {

// Runs the scan worker as the wizard does and waits for it; a stop from the progress
// line ends it the way Stop Searching does.
void RunSearch(app::RecoveryContext& ctx, std::optional<std::uint64_t> stopAfter) {
    ProgressLine window;
    ctx.progress().setObserver(&window);
    if (stopAfter)
        window.stopAt(*stopAfter, [&ctx] { ctx.scanWorker.request_stop(); });
    app::StartScanWorker(ctx);
    while (ctx.scanWorkerRunning)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (window.stopped())
        app::StopSearch(ctx);
    else if (ctx.scanWorker.joinable())
        ctx.scanWorker.join();
    // An Advanced NTFS search goes on with the assignment of its records.
    if (ctx.assignmentWorker.joinable())
        ctx.assignmentWorker.join();
    window.finish();
    ctx.progress().setObserver(nullptr);
}

// The file systems an Advanced search identified, one line each with the details the
// wizard lists for a picked one.
void printFileSystems(const app::RecoveryContext& ctx, std::ostream& err) {
    const model::RecordTable& systems = ctx.tables.fileSystemTable;
    for (int i = 0; i < systems.rowCount(); ++i) {
        err << model::FileSystemItemText(systems, i);
        const std::vector<std::string> rows = model::FileSystemDetailsRows(systems, i);
        for (std::size_t r = 1; r < rows.size(); ++r)
            err << "  " << rows[r];
        err << "\n";
    }
}

// The Advanced search: the sweep and the inference (or assignment) as the scan worker runs them,
// then the tree of file system `number` (1-based) as the file-system step's Next builds
// it. False after saying why when there is no such file system.
bool runAdvancedSearch(app::RecoveryContext& ctx, std::optional<std::uint64_t> stopAfter,
                       std::uint64_t number, std::ostream& err) {
    ctx.wizardStage = 2;
    RunSearch(ctx, stopAfter);
    printFileSystems(ctx, err);
    if (ctx.fileSystemCount == 0)
        return false; // the search said "No file system could be identified"
    if (number < 1 || number > static_cast<std::uint64_t>(ctx.fileSystemCount)) {
        err << "recovery-cli: --file-system must be 1 to " << ctx.fileSystemCount << "\n";
        return false;
    }
    app::ShowFileSystemDetails(ctx, static_cast<int>(number - 1));
    if (const std::string_view notSearched = app::PickedFileSystemNotSearched(ctx);
        !notSearched.empty()) {
        err << "recovery-cli: " << notSearched << "\n";
        return false;
    }
    app::AddLostFolderRow(ctx.tables.folderTable);
    app::FileSystemWorker(ctx, {});
    return true;
}

} // namespace

std::vector<OptionSpec> SearchOptions() {
    std::vector<OptionSpec> options = VolumeOptions();
    for (const char* name :
         {"--stop-after-sectors", "--mode", "--file-system", "--log", "--save-log"})
        options.push_back({name});
    return options;
}

namespace {

// --log FILE: the tree, tables and layout come from the log; only the disk is chosen.
std::unique_ptr<CliSession> LoadLoggedVolume(const CommandLine& line, const std::string& path,
                                             const std::string& command,
                                             const std::vector<std::string>& fileSystems,
                                             std::ostream& err, int& exitCode) {
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", err, bad).value_or(0);
    if (bad)
        return nullptr;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        err << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return nullptr;
    }
    for (const char* searchOption :
         {"--partition", "--fs", "--start", "--end", "--mode", "--file-system"})
        if (option(line, searchOption)) {
            err << "recovery-cli: --log takes the volume from the log; " << searchOption
                << " cannot go with it\n";
            return nullptr;
        }
    exitCode = 1;
    auto session = openSession(line, err);
    if (!session)
        return nullptr;
    app::RecoveryContext& ctx = *session->context;
    ctx.searchMode = app::kSearchStandard;
    if (!LoadVolumeLog(ctx, path, static_cast<std::uint16_t>(disk), fileSystems, command, err))
        return nullptr;
    return session;
}

// The volume chosen by the options, searched in the mode they name.
std::unique_ptr<CliSession> SearchChosenVolume(const CommandLine& line, const std::string& command,
                                               const std::vector<std::string>& fileSystems,
                                               std::ostream& err, int& exitCode,
                                               bool keepSearchCache) {
    bool bad = false;
    const auto stopAfter = numberOption(line, "--stop-after-sectors", err, bad);
    const auto fileSystem = numberOption(line, "--file-system", err, bad);
    const std::string mode = option(line, "--mode").value_or("standard");
    const bool advanced = mode == "advanced";
    if (!advanced && mode != "standard") {
        err << "recovery-cli: --mode must be standard or advanced, not '" << mode << "'\n";
        return nullptr;
    }
    if (fileSystem && !advanced) {
        err << "recovery-cli: --file-system goes with --mode advanced\n";
        return nullptr;
    }
    if (advanced && hasFlag(line, "--walk-only")) {
        err << "recovery-cli: --walk-only goes with the Standard search\n";
        return nullptr;
    }
    const auto typed = option(line, "--fs");
    // The Advanced search sweeps for the structures of the named file system; one without
    // an Advanced search is searched the same way in both modes, as the wizard does.
    if (advanced && typed && !volume::FindEngineRow(*typed)) {
        err << "recovery-cli: " << command << " does not take --fs " << *typed << "\n";
        return nullptr;
    }
    // An Advanced search of partition K takes its type from --fs when given, as from
    // the wizard's selector.
    const auto choice = parseVolumeChoice(line, command, fileSystems, err);
    if (bad || !choice)
        return nullptr;
    exitCode = 1;
    auto session = openSession(line, err);
    if (!session)
        return nullptr;
    app::RecoveryContext& ctx = *session->context;
    ctx.searchMode = advanced ? app::kSearchAdvanced : app::kSearchStandard;
    ctx.keepSearchCache = keepSearchCache;
    if (hasFlag(line, "--walk-only"))
        ctx.searchScope = volume::SearchScope::WalkOnly;
    if (!applyVolumeChoice(ctx, *choice, err))
        return nullptr;
    if (advanced && typed)
        ctx.volumeParams.fileSystemName = *typed;
    const std::string& name = ctx.volumeParams.fileSystemName;
    if (const std::string_view notSearched = volume::NotSearchedText(name); !notSearched.empty()) {
        err << "recovery-cli: " << notSearched << "\n";
        return nullptr;
    }
    if (std::find(fileSystems.begin(), fileSystems.end(), name) == fileSystems.end()) {
        err << "recovery-cli: partition " << choice->partition.value_or(0) << " holds "
            << (name.empty() ? "no known file system" : name) << "; " << command
            << " does not search it\n";
        return nullptr;
    }
    if (const std::string outside = app::VolumeOutsideDiskText(ctx); !outside.empty()) {
        err << "recovery-cli: " << outside << "\n";
        return nullptr;
    }
    ctx.searchDiskNumber = ctx.selectedDiskNumber;
    TakeDiskModel(ctx, ctx.selectedDiskNumber);
    const app::EngineHooks* hooks = app::HooksOf(ctx);
    if (advanced && hooks && hooks->advancedSweep) {
        if (!runAdvancedSearch(ctx, stopAfter, fileSystem.value_or(1), err))
            return nullptr;
    } else {
        ctx.validationSucceeded = app::ValidateVolume(ctx) == 1;
        // A volume given as one file system that validation found to be one it names
        // but does not search (FAT16 that is FAT12).
        if (const std::string_view notSearched =
                volume::NotSearchedText(ctx.volumeParams.fileSystemName);
            !notSearched.empty()) {
            err << "recovery-cli: " << notSearched << "\n";
            return nullptr;
        }
        RunSearch(ctx, stopAfter);
    }
    return session;
}

} // namespace

std::unique_ptr<CliSession> SearchVolume(const CommandLine& line, const std::string& command,
                                         const std::vector<std::string>& fileSystems,
                                         std::ostream& err, int& exitCode, bool keepSearchCache) {
    exitCode = 2;
    const auto log = option(line, "--log");
    std::unique_ptr<CliSession> session =
        log ? LoadLoggedVolume(line, *log, command, fileSystems, err, exitCode)
            : SearchChosenVolume(line, command, fileSystems, err, exitCode, keepSearchCache);
    if (!session)
        return nullptr;
    app::RecoveryContext& ctx = *session->context;
    if (ctx.recoveryTree.firstTopLevel() == model::kNoItem) {
        err << "recovery-cli: the search found no folder tree on this volume\n";
        return nullptr;
    }
    // A search says so through the messages itself; a loaded log does not.
    if (log && app::SearchFoundNothing(ctx)) {
        err << app::NothingFoundText(ctx) << "\n";
        return nullptr;
    }
    if (!log && ctx.searchMode == app::kSearchStandard && app::SearchFoundNothing(ctx))
        return nullptr;
    if (!SaveVolumeLog(line, ctx, err))
        return nullptr;
    exitCode = 0;
    return session;
}

} // namespace qr::cli
