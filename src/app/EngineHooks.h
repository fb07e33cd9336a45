#pragma once
// The application layer's half of an engine registry row: what the scan driver, the
// file-system worker, the file list and the recovery log call to search a volume of
// that file system, build its tree and read its files. The other half (recognition,
// validation, traits) is volume/EngineRegistry.h.
#include "model/RecoveryTree.h"
#include "volume/VolumeEngine.h"

#include <memory>
#include <stop_token>

namespace qr::output {
struct RecoveryLogSnapshot;
}

namespace qr::app {

struct RecoveryContext;

struct EngineHooks {
    // The Standard search: reads the volume into the context's tables. False when it
    // was stopped before its rows could become a tree.
    bool (*standardSearch)(RecoveryContext& context, std::stop_token stop) = nullptr;
    // Builds the folder tree of the rows a Standard search found (finished or stopped).
    void (*buildTree)(RecoveryContext& context) = nullptr;
    // After the tree of a finished Standard search is shown (null: nothing).
    void (*afterStandardSearch)(RecoveryContext& context) = nullptr;

    // The Advanced search (null: the Standard search serves both modes): the sweep of
    // the range (false when stopped), then what follows it once it ended (`stopped`:
    // by Stop Searching), then the tree of the file system the user picks.
    bool (*advancedSweep)(RecoveryContext& context, std::stop_token stop) = nullptr;
    void (*advancedSweepEnded)(RecoveryContext& context, bool stopped) = nullptr;
    void (*openPickedFileSystem)(RecoveryContext& context, std::stop_token stop) = nullptr;

    // The engine over the context's volume, read as file system `kind` (one engine may
    // serve several kinds); null when it cannot be had (no medium, no layout).
    // `searchCache`: reads go through the search's cache (the tree builder).
    std::unique_ptr<volume::VolumeEngine> (*openEngine)(RecoveryContext& context,
                                                        volume::FileSystemKind kind,
                                                        bool searchCache) = nullptr;

    // The tree shape of a recovery log's folders, and what the engine restores of its
    // own state from the log once its tables are filled (null: nothing).
    model::TreeVariant logTree = model::TreeVariant::FatFromLog;
    void (*restoreFromLog)(RecoveryContext& context,
                           const output::RecoveryLogSnapshot& log) = nullptr;
};

// The hooks of the volume under recovery (by its file-system name); null for a file
// system the registry does not know.
const EngineHooks* HooksOf(const RecoveryContext& context);
// The key of the root folder of the volume under recovery (0 for one the registry does
// not know).
std::uint32_t RootKeyOf(const RecoveryContext& context);

} // namespace qr::app
