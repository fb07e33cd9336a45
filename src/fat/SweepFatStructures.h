#pragma once
// The advanced FAT sweep: every sector of a range is examined once, for a FAT16 or
// FAT32 boot sector (a BootSectorTable row with the layout it implies) and, on its
// own, for a directory head (a DirClusterTable row not yet given to a file system).
// Nothing is judged here; file-system inference decides what the rows are worth.
#include "disk/ByteView.h"
#include "disk/Sweep.h"
#include "fat/FatBootSector.h"

#include <cstdint>
#include <stop_token>

namespace qr::model {
class RecordTable;
struct RecordTables;
} // namespace qr::model
namespace qr::volume {
class SearchProgress;
}

namespace qr::fat {

// Sectors per read: 1 MiB batches are examined while they are still in the cache.
inline constexpr std::uint32_t kFatSweepBatch = 2048;

struct FatSweepResult {
    disk::SweepEnd end = disk::SweepEnd::Finished;
    std::uint64_t next = 0;        // first sector not examined
    std::uint32_t bootSectors = 0; // rows appended to BootSectorTable
    std::uint32_t directories = 0; // rows appended to DirClusterTable
};

// Sweeps the sectors from `partitionStart` up to, not including, `partitionEnd`
// (clamped to the medium) and appends to BootSectorTable and DirClusterTable, which
// the caller has emptied. Reports the phase, the position after every batch and the
// BootSectors and Directories counters. A stop request ends the sweep between
// batches; every row written stays, complete.
FatSweepResult SweepFatStructures(disk::SectorSource& source, std::uint64_t partitionStart,
                                  std::uint64_t partitionEnd, model::RecordTables& tables,
                                  std::stop_token stop, volume::SearchProgress& progress,
                                  std::uint32_t batchSectors = kFatSweepBatch);

// The row a boot-sector candidate at `sector` gives, FAT32 when its type text says so,
// else FAT16. Returns false (and appends nothing) when the sector is not a candidate.
bool AppendBootSectorRow(model::RecordTable& bootSectors, std::uint64_t sector,
                         const FatBootSector& boot);

// A sector whose first two entries are "." and "..": the first sector of a directory.
bool IsDirectoryHead(disk::ByteView sector);
void AppendDirectoryHeadRow(model::RecordTable& dirClusters, std::uint64_t sector,
                            disk::ByteView head);

} // namespace qr::fat
