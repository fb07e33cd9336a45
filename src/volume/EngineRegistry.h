#pragma once
// The file systems the program knows, one row each: how a volume of it is recognised
// and validated, what the rest of the program needs to know of its folders and files,
// and the hooks the application layer calls to search it. A new file system is its
// folder, one row of the engine table and its tests; nothing else tests for its kind.
#include "disk/ByteView.h"
#include "volume/BootSectorCheck.h"
#include "volume/FileSystemKind.h"
#include "volume/LayoutRebuild.h"
#include "volume/SearchProgress.h"
#include "volume/VolumeParams.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>

namespace qr::disk {
class SectorSource;
}
namespace qr::app {
struct EngineHooks; // the application layer's half of a row (app/EngineHooks.h)
}

namespace qr::volume {

// What the layers above the engines need to know of a file system's tree and files.
struct EngineTraits {
    // Key of the root folder in the folder tree; the parent key of its children.
    std::uint32_t rootKey = 0;
    // Files are rows of the search (FileTable), kept in a recovery log with the folders;
    // otherwise they are read from their folder's directory whenever it is listed.
    bool filesAreSearchRows = false;
    // A Standard search is possible only on a volume whose boot sector held.
    bool standardNeedsValidBootSector = false;
    // Position in the partition step's type selector (-1: not offered there).
    int typeSelectorEntry = -1;
};

struct EngineRow {
    FileSystemKind kind = FileSystemKind::None;
    std::string_view name; // as tables, logs and windows show it
    EngineTraits traits;
    // The volume whose boot sector (the volume's first sector) `sector` is, by its own
    // fields; nullopt when it is none of this file system's.
    std::optional<BootSectorVolume> (*recognise)(disk::ByteView sector) = nullptr;
    // A backup boot sector this many sectors into the volume that names itself the
    // backup, recognised by `recogniseBackup` (0: none).
    std::uint64_t backupOffset = 0;
    std::optional<BootSectorVolume> (*recogniseBackup)(disk::ByteView sector) = nullptr;
    // Checks the volume `params` names and fills its layout: 1 when it came from a valid
    // boot sector, else 0 and `why` for a developer. `source` may be null (no medium).
    int (*validate)(disk::SectorSource* source, VolumeParams& params, std::string* why) = nullptr;
    // Rebuilds the layout of a volume whose boot sector failed (null: not possible).
    Reconstruction (*rebuildLayout)(disk::SectorSource& source, VolumeParams& params,
                                    std::stop_token stop, SearchProgress& progress) = nullptr;
    // Not empty for a file system the program recognises and names but does not search
    // (FAT12): what it says of such a volume instead.
    std::string_view notSearched;
    const app::EngineHooks* hooks = nullptr;
};

// Every row: the engine table's, then those added for as long as a ScopedEngineRow lives.
std::span<const EngineRow> EngineRows();
// The row of a kind or a file-system name; null for one the registry does not know.
const EngineRow* FindEngineRow(FileSystemKind kind);
const EngineRow* FindEngineRow(std::string_view fileSystemName);

// What the program says of a volume of this file system that it names but does not
// search; empty for one it searches (or does not know).
std::string_view NotSearchedText(std::string_view fileSystemName);

// The rows the program is built with (defined by the engine table).
std::span<const EngineRow> BuiltInEngineRows();

// Adds a row while it lives (a file system brought by a test). Rows are added and
// removed only while no search runs.
class ScopedEngineRow {
public:
    explicit ScopedEngineRow(const EngineRow& row);
    ~ScopedEngineRow();
    ScopedEngineRow(const ScopedEngineRow&) = delete;
    ScopedEngineRow& operator=(const ScopedEngineRow&) = delete;

private:
    FileSystemKind kind_;
};

} // namespace qr::volume
