#pragma once
// The partition search: when reading the disk fails on the disk step, when its table
// has failed, or when the user asks, the disk is searched for FAT32, FAT16 and NTFS
// boot sectors (volume/VolumeSearch.h; the cylinder geometry comes from the disk
// listing's registry values, else from the medium's size) and the partition record
// and tree are rebuilt from what is found.
//
// Hand-off with the table reading: the read-failure notice comes from inside a read,
// usually one made by ReadPartitionTable on the interface thread. Starting the worker
// there would let two threads write the same record, so while the table is being
// read the notice only marks the search pending, and CreatePartitionTree starts it
// after ReadPartitionTable has returned. Starting empties the record on the starting
// thread, before the worker runs, so the partition step that goes on after the tree
// was created sees an empty record rather than one being rewritten. A notice at any
// other time starts the search at once.
#include <cstdint>
#include <stop_token>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::volume {

struct SearchGeometry {
    std::uint64_t cylinders = 0;
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
};

// Geometry with other than 63 sectors per track is recomputed as 255 heads and 63
// sectors per track over the same number of sectors (remainder dropped).
SearchGeometry NormaliseGeometry(std::uint64_t cylinders, std::uint64_t sectorsPerTrack,
                                 std::uint64_t heads);

// The selected disk's geometry from the registry (0 for missing values), normalised.
SearchGeometry ReadSearchGeometry(app::RecoveryContext& ctx);

// Makes the read-failure notice start the search (sets ctx.startPartitionSearch).
void InstallPartitionSearch(app::RecoveryContext& ctx);

// Starts the search unless one is running: the window is set up and the record and
// tree are emptied on the calling thread, then the sweep runs on
// ctx.partitionSearchThread.
void StartPartitionSearch(app::RecoveryContext& ctx);

// The user's stop: the worker ends at its next candidate, keeps the partitions found
// so far and gives the controls back. Does not wait for the worker.
void StopPartitionSearch(app::RecoveryContext& ctx);

// True from the start of the search until it has finished or stopped.
bool PartitionSearchRunning(const app::RecoveryContext& ctx);

// The whole search on the calling thread: BeginPartitionSearch, then
// SweepForPartitions.
void SearchPartitions(app::RecoveryContext& ctx, std::stop_token stop);
// Status and controls for a running search; forgets the partitions listed so far.
void BeginPartitionSearch(app::RecoveryContext& ctx);
// The sweep and the finish; polls `stop` between reads.
void SweepForPartitions(app::RecoveryContext& ctx, std::stop_token stop);

} // namespace qr::volume
