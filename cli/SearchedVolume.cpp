#include "SearchedVolume.h"

#include "PartitionSession.h"
#include "ProgressLine.h"
#include "VolumeLog.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "volume/VolumeValidation.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>

namespace qr::cli {

namespace {

// Runs the scan worker as the wizard does and waits for it; a stop from the progress
// line ends it the way Stop Searching does.
void RunStandardSearch(app::RecoveryContext& ctx, std::optional<std::uint64_t> stopAfter) {
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
    window.finish();
    ctx.progress().setObserver(nullptr);
}

} // namespace

namespace {

// --log FILE: the tree, tables and layout come from the log; only the disk is chosen.
std::unique_ptr<CliSession> LoadLoggedVolume(const CommandLine& line, const std::string& path,
                                             const std::string& command,
                                             std::initializer_list<std::string> fileSystems,
                                             std::ostream& err, int& exitCode) {
    bool bad = false;
    const std::uint64_t disk = numberOption(line, "--disk", err, bad).value_or(0);
    if (bad)
        return nullptr;
    if (disk >= static_cast<std::uint64_t>(disk::kDeviceNames)) {
        err << "recovery-cli: --disk must be 0 to " << disk::kDeviceNames - 1 << "\n";
        return nullptr;
    }
    for (const char* searchOption : {"--partition", "--fs", "--start", "--end"})
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

} // namespace

std::unique_ptr<CliSession> SearchVolume(const CommandLine& line, const std::string& command,
                                         std::initializer_list<std::string> fileSystems,
                                         std::ostream& err, int& exitCode) {
    exitCode = 2;
    std::unique_ptr<CliSession> session;
    if (const auto log = option(line, "--log")) {
        session = LoadLoggedVolume(line, *log, command, fileSystems, err, exitCode);
        if (!session)
            return nullptr;
    } else {
        bool bad = false;
        const auto stopAfter = numberOption(line, "--stop-after-sectors", err, bad);
        const auto choice = parseVolumeChoice(line, command, fileSystems, err);
        if (bad || !choice)
            return nullptr;
        exitCode = 1;
        session = openSession(line, err);
        if (!session)
            return nullptr;
        app::RecoveryContext& ctx = *session->context;
        ctx.searchMode = app::kSearchStandard;
        if (!applyVolumeChoice(ctx, *choice, err))
            return nullptr;
        const std::string& name = ctx.volumeParams.fileSystemName;
        if (std::find(fileSystems.begin(), fileSystems.end(), name) == fileSystems.end()) {
            err << "recovery-cli: partition " << choice->partition.value_or(0) << " holds "
                << (name.empty() ? "no known file system" : name) << "; " << command
                << " does not search it\n";
            return nullptr;
        }
        ctx.searchDiskNumber = ctx.selectedDiskNumber;
        TakeDiskModel(ctx, ctx.selectedDiskNumber);
        ctx.validationSucceeded = volume::ValidateVolume(ctx) == 1;
        RunStandardSearch(ctx, stopAfter);
    }
    app::RecoveryContext& ctx = *session->context;
    if (ctx.recoveryTree.firstTopLevel() == model::kNoItem) {
        err << "recovery-cli: the search found no folder tree on this volume\n";
        return nullptr;
    }
    if (!SaveVolumeLog(line, ctx, err))
        return nullptr;
    exitCode = 0;
    return session;
}

} // namespace qr::cli
