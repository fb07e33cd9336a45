#pragma once
// The partition step over the recovery context: creating the partition tree, the
// validation of the chosen volume, and the partition-search worker.
//
// Hand-off with the table reading: the read-failure notice comes from inside a read,
// usually one made by the table reading on the interface thread. Starting the worker
// there would let two threads write the same record, so while the table is being
// read the notice only marks the search pending, and CreatePartitionTree starts it
// after the reading has returned. Starting empties the record on the starting thread,
// before the worker runs, so the partition step that goes on after the tree was
// created sees an empty record rather than one being rewritten. A notice at any other
// time starts the search at once.
#include "volume/DiskPartitionRecord.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionSearch.h"

#include <stop_token>
#include <string>

namespace qr::app {

struct RecoveryContext;

// The selected disk's record, the partition tree and the item of partition 1.
volume::PartitionListingTarget PartitionTargetOf(RecoveryContext& ctx);
// The record of the selected disk (disk numbers beyond the table use the last one).
volume::DiskPartitionRecord& SelectedDiskRecord(RecoveryContext& ctx);
// The root item of the partition tree (kNoItem when the tree has none).
model::TreeItem PartitionTreeRoot(const RecoveryContext& ctx);

// Root "Disk " + disk number, the disk's start read under it, the root expanded. A
// partition search asked for by a failed read during the reading starts afterwards;
// the search is wired to the read-failure notice here when no one has done it yet.
void CreatePartitionTree(RecoveryContext& ctx);

// Checks the volume named by volumeParams and fills its layout (volume::ValidateVolume);
// first empties the record tables a search fills, so searches never mix.
int ValidateVolume(RecoveryContext& ctx, std::string* why = nullptr);

// The selected disk's geometry from the registry, normalised.
volume::SearchGeometry ReadSearchGeometry(RecoveryContext& ctx);

// Makes the read-failure notice start the search (sets ctx.startPartitionSearch).
void InstallPartitionSearch(RecoveryContext& ctx);

// Starts the search unless one is running: the window is set up and the record and
// tree are emptied on the calling thread, then the sweep runs on
// ctx.partitionSearchThread.
void StartPartitionSearch(RecoveryContext& ctx);

// The user's stop: the worker ends at its next candidate, keeps the partitions found
// so far and gives the controls back. Does not wait for the worker.
void StopPartitionSearch(RecoveryContext& ctx);

// True from the start of the search until it has finished or stopped.
bool PartitionSearchRunning(const RecoveryContext& ctx);

// The whole search on the calling thread: BeginPartitionSearch, then
// SweepForPartitions.
void SearchPartitions(RecoveryContext& ctx, std::stop_token stop);
// Status and controls for a running search; forgets the partitions listed so far.
void BeginPartitionSearch(RecoveryContext& ctx);
// The sweep and the finish; polls `stop` between reads.
void SweepForPartitions(RecoveryContext& ctx, std::stop_token stop);

} // namespace qr::app
