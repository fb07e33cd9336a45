#include "SearchedVolume.h"

#include "PartitionSession.h"
#include "ProgressLine.h"
#include "app/ScanDriver.h"
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

std::unique_ptr<CliSession> SearchVolume(const CommandLine& line, const std::string& command,
                                         std::initializer_list<std::string> fileSystems,
                                         std::ostream& err, int& exitCode) {
    exitCode = 2;
    bool bad = false;
    const auto stopAfter = numberOption(line, "--stop-after-sectors", err, bad);
    const auto choice = parseVolumeChoice(line, command, fileSystems, err);
    if (bad || !choice)
        return nullptr;
    exitCode = 1;
    auto session = openSession(line, err);
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
    ctx.validationSucceeded = volume::ValidateVolume(ctx) == 1;
    RunStandardSearch(ctx, stopAfter);
    if (ctx.recoveryTree.firstTopLevel() == model::kNoItem) {
        err << "recovery-cli: the search found no folder tree on this volume\n";
        return nullptr;
    }
    exitCode = 0;
    return session;
}

} // namespace qr::cli
