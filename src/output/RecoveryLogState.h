#pragma once
// Between a recovery log and the recovery state: the snapshot a save takes from the
// folder nodes, the file rows and both copies of the volume layout, and what a load
// gives back to them. Neither side needs more of the recovery context than it names.
#include "fat/ActiveGeometry.h"
#include "model/FolderNodeList.h"
#include "model/RecordTable.h"
#include "output/RecoveryLogSnapshot.h"
#include "volume/VolumeParams.h"

#include <cstdint>
#include <string>

namespace qr::output {

// The search's own values a log carries beside the tables.
struct LogSearchFields {
    std::string diskModel;
    std::uint16_t searchMode = 0;
    std::uint16_t selectedDiskNumber = 0;
    std::uint16_t searchDiskNumber = 0;
    std::int32_t searchPartitionIndex = 0;
    std::string searchModeText;
};

// A file record keeps 32 bits of size: a larger file is stored as all ones ("4 GiB or
// more"), never as its low bits, and the engine that lists the loaded row reads the
// whole size from the medium again.
inline constexpr std::uint32_t kClippedLogSize = 0xFFFFFFFFu;
std::uint32_t LogFileSize(std::int64_t size);

// Everything a log holds, taken from the state after a search: the folders in node
// order, and for an NTFS working copy the file rows in table order (their cells parsed
// as the tables parse numbers, so "4294967295" is stored as all ones).
RecoveryLogSnapshot TakeLogSnapshot(const LogSearchFields& search,
                                    const volume::VolumeParams& validated,
                                    const fat::ActiveGeometry& working,
                                    const model::FolderNodeList& folders,
                                    const model::RecordTable& fileTable);

// Both copies of the volume layout as the log stored them. The partition type goes to
// the validated copy, the file-system name to the working copy.
void RestoreVolumeFromLog(const RecoveryLogSnapshot& log, volume::VolumeParams& validated,
                          fat::ActiveGeometry& working);

// Empties both tables and fills them from the log: one FOLDER row per folder record
// (the tree builder turns them into the tree) and one FILE row per file record.
void FillTablesFromLog(const RecoveryLogSnapshot& log, model::RecordTable& folderTable,
                       model::RecordTable& fileTable);

} // namespace qr::output
