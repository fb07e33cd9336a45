// The writing pass of a save: every planned file is extracted in save mode into the
// destination, below the folders of the recovery tree (the root's children at the top,
// "Lost" as a folder of its own).
#include "model/RecoveryTree.h"
#include "output/ClaimedOutputNames.h"
#include "output/CreateDirectoryPath.h"
#include "output/DestinationSafety.h"
#include "output/DestinationSpace.h"
#include "output/FileExtraction.h"
#include "output/KeptDates.h"
#include "output/SafeOutputName.h"
#include "output/SaveGate.h"
#include "output/SavePasses.h"
#include "output/SaveState.h"
#include "platform/UserMessages.h"
#include "volume/VolumeEngine.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace qr::output {

namespace {

// The output folder of a tree path: each part made safe, joined below the destination.
std::string outputFolder(const std::string& destination, const std::string& treePath,
                         std::size_t nameMax) {
    std::string folder = destination;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::size_t start = 0;
    while (start <= treePath.size()) {
        std::size_t end = treePath.find('\\', start);
        if (end == std::string::npos)
            end = treePath.size();
        if (end > start)
            folder += "/" + SafeOutputName(treePath.substr(start, end - start), nameMax);
        start = end + 1;
    }
    return folder;
}

// True when `folder`, or the part of it that exists, resolves to a place inside
// `base`: no link leads out of the destination.
bool staysInside(const std::string& folder, const std::string& base) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path b = fs::canonical(base, ec);
    if (ec)
        return false;
    fs::path f = folder;
    while (!fs::exists(fs::symlink_status(f, ec)) && f.has_parent_path() && f != f.parent_path())
        f = f.parent_path();
    const fs::path real = fs::canonical(f, ec);
    if (ec)
        return false;
    auto [end, _] = std::mismatch(b.begin(), b.end(), real.begin(), real.end());
    return end == b.end();
}

void tally(SaveSummary& summary, ExtractResult result, std::uint64_t size) {
    switch (result) {
    case ExtractResult::Written:
        summary.written += 1;
        summary.bytesWritten += size;
        break;
    case ExtractResult::PassedOver:
        summary.passedOver += 1;
        break;
    case ExtractResult::Failed:
    case ExtractResult::MediumLost:
        summary.failed += 1;
        break;
    case ExtractResult::Stopped:
        summary.stopped += 1;
        break;
    }
}

// The bytes the plan will write: the files the filters let through, each at most as
// large as the volume can hold.
std::uint64_t plannedBytes(const SaveState& save, const volume::VolumeEngine* engine) {
    const std::uint64_t largest = engine ? engine->largestFile() : UINT64_MAX;
    std::uint64_t total = 0;
    for (const SaveItem& item : save.plan)
        if (FiltersAdmit(save.settings, item.name, item.deleted))
            total += std::min({item.size, largest, UINT64_MAX - total});
    return total;
}

} // namespace

void WriteSavePlan(SaveState& save, const SaveSources& sources) {
    save.replacePolicy = ReplacePolicy::Replace;
    save.stopSaving = false;
    save.skipCurrent = false;
    save.counters.filesDone = 0;
    save.counters.bytesDone = 0;
    save.summary = {};
    save.problems.clear();
    save.startTime = std::chrono::steady_clock::now();

    const std::string& source = sources.sourceDevice;
    const std::string& destination = save.destinationFolder;
    volume::VolumeEngine* const engine = sources.engine;
    std::string refusal = DestinationRefusal(source, destination);
    if (refusal.empty())
        refusal = SpaceShortage(destination, plannedBytes(save, engine));
    if (!refusal.empty()) {
        NoteProblem(save, destination, refusal);
        save.summary.refused = refusal;
        save.summary.failed = static_cast<std::uint32_t>(save.plan.size());
        if (sources.messages)
            sources.messages->error(refusal);
        return;
    }
    // A folder whose directory could not be read lost the names of its files.
    for (const model::TreeItem folder : save.unreadableFolders) {
        const std::string path = model::FolderPath(sources.recoveryTree, folder);
        NoteProblem(save, path.empty() ? std::string("Root") : path,
                    "the folder's directory could not be read from the medium; its files "
                    "could not be listed");
        save.summary.failed += 1;
    }
    // A medium that answers nothing any more gives no file: nothing is made.
    if (engine && engine->mediumGone()) {
        NoteProblem(save, destination, "the medium stopped answering; nothing was saved");
        save.summary.mediumLostAt = 0;
        save.summary.failed += static_cast<std::uint32_t>(save.plan.size());
        return;
    }
    CreateDirectoryPath(destination);
    const std::size_t nameMax = NameMaxOf(destination);
    ClaimedOutputNames claims(nameMax);
    DestinationNames names(destination, nameMax);
    std::string madeFolder;
    bool folderInside = true;
    // The plan holds a folder's files together: its path is made once for them.
    std::optional<model::TreeItem> folderItem;
    std::string folder;
    KeptDates dates(engine, sources.folderNodes, sources.recoveryTree);
    for (const SaveItem& item : save.plan) {
        if (save.stopSaving)
            break;
        if (folderItem != item.folder) {
            folderItem = item.folder;
            folder = outputFolder(destination, model::FolderPath(sources.recoveryTree, item.folder),
                                  nameMax);
        }
        // Folders are made only for files the filters let through.
        if (folder != madeFolder && FiltersAdmit(save.settings, item.name, item.deleted)) {
            madeFolder = folder;
            folderInside = staysInside(folder, destination);
            if (folderInside) {
                CreateDirectoryPath(folder);
                folderInside = staysInside(folder, destination);
            }
            if (folderInside)
                dates.folderUsed(item.folder, folder, destination);
        }
        bool renamed = false;
        const std::string path = claims.claim(folder, names.nameFor(item.name), renamed);
        if (folder == madeFolder && !folderInside) {
            NoteProblem(save, path, "a link in the destination leads outside it; not written");
            tally(save.summary, ExtractResult::Failed, item.size);
            continue;
        }
        ExtractResult result = ExtractResult::Failed;
        if (engine) {
            result = ExtractToFile(save, source, *engine, path, EntryOf(item), true);
        } else {
            NoteProblem(save, path, "this file system cannot be saved from yet");
        }
        if (result == ExtractResult::Written)
            dates.fileWritten(item, path);
        tally(save.summary, result, item.size);
        if (result == ExtractResult::Written || result == ExtractResult::Stopped)
            claims.wrote(path);
        if (renamed && result == ExtractResult::Written) {
            save.summary.renamed += 1;
            NoteProblem(save, path,
                        "an earlier file of this save took the name \"" + item.name +
                            "\"; saved under this one");
        }
    }
    dates.finish();
}

} // namespace qr::output
