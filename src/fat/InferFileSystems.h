#pragma once
// File-system inference after an advanced FAT sweep: every directory head is given to
// the file system it belongs to. Phase 1 matches heads against the boot sectors found;
// phase 2 infers further file systems from pairs of heads alone, since two heads of
// one volume fix its sectors per cluster and the sector of cluster 0
// (sector = cluster-0 sector + cluster * sectors per cluster holds for both).
//
// Each file system becomes a FileSystemTable row; its 1-based row number goes into the
// "File System" cell of its heads; a head that fits no file system gets -1.
//
// Heads are indexed by the cluster-0 sector they imply for each possible cluster size,
// so both phases look only at heads that can match, in the same order and with the
// same first matches as a walk of every pair would give. Arithmetic is 64-bit: a
// damaged cluster number whose product overflows 32 bits never matches by wrap-around.
#include "volume/FileSystemKind.h"

#include <cstdint>

namespace qr::model {
class RecordTable;
struct RecordTables;
} // namespace qr::model
namespace qr::volume {
class SearchProgress;
}

namespace qr::fat {

// Reads BootSectorTable and DirClusterTable, appends to FileSystemTable (emptied by
// the caller) and fills the "File System" cells. `searched` is the type the user
// searched for; a phase-2 file system takes its name, or FAT32 when its clusters go
// beyond what FAT16 can number. Returns the count of file systems identified.
// Boot rows whose sectors per cluster is not 1, 2, 4, ... 128 describe no volume and
// are passed over. The boot row at sector `ownBootSector` (the volume's own boot
// sector, see OwnBootSectorOfRange) makes a file system even when no head matches it.
inline constexpr std::uint64_t kNoOwnBootSector = UINT64_MAX;
int InferFileSystems(model::RecordTables& tables, volume::FileSystemKind searched,
                     volume::SearchProgress& progress,
                     std::uint64_t ownBootSector = kNoOwnBootSector);

// The index of the first DirClusterTable row at or after `start` whose "File System"
// parses as 0, or -1 when there is none.
int NextUnassignedCluster(const model::RecordTable& dirClusters, int start);

} // namespace qr::fat
