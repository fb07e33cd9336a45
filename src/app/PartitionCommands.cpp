#include "app/PartitionCommands.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "volume/PartitionSearchView.h"
#include "volume/PartitionTree.h"
#include "volume/VolumeValidation.h"

#include <utility>

namespace qr::app {

volume::PartitionListingTarget PartitionTargetOf(RecoveryContext& ctx) {
    return {SelectedDiskRecord(ctx), ctx.partitionTree, ctx.firstPartitionItem};
}

volume::DiskPartitionRecord& SelectedDiskRecord(RecoveryContext& ctx) {
    return volume::DiskRecord(ctx.partitions, ctx.selectedDiskNumber);
}

model::TreeItem PartitionTreeRoot(const RecoveryContext& ctx) {
    return volume::PartitionTreeRoot(ctx.partitionTree);
}

void CreatePartitionTree(RecoveryContext& ctx) {
    ctx.partitionTree.clear();
    ctx.firstPartitionItem = model::kNoItem;
    const model::TreeItem root =
        ctx.partitionTree.insert(model::kNoItem, "Disk " + std::to_string(ctx.selectedDiskNumber),
                                 model::tree_image::kRoot, model::tree_image::kRoot);
    // The read-failure notice needs the search wired before the first read.
    if (!ctx.startPartitionSearch)
        InstallPartitionSearch(ctx);
    ctx.readingPartitionTable = true;
    volume::PartitionListingTarget target = PartitionTargetOf(ctx);
    if (volume::ReadDiskStart(*ctx.reader, target))
        ctx.partitionSearchPending = true;
    ctx.readingPartitionTable = false;
    ctx.partitionTree.setExpanded(root, true);
    if (std::exchange(ctx.partitionSearchPending, false))
        StartPartitionSearch(ctx);
}

int ValidateVolume(RecoveryContext& ctx, std::string* why) {
    ctx.progress().phase(volume::SearchPhase::Validation);
    model::RecordTables& t = ctx.tables;
    for (model::RecordTable* table :
         {&t.folderTable, &t.fileTable, &t.dirClusterTable, &t.indexRecordTable, &t.mftRecordTable})
        table->clear();
    return volume::ValidateVolume(ctx.reader.get(), ctx.volumeParams, why);
}

volume::SearchGeometry ReadSearchGeometry(RecoveryContext& ctx) {
    return volume::ReadSearchGeometry(ctx.registry, ctx.selectedDiskNumber);
}

void BeginPartitionSearch(RecoveryContext& ctx) {
    const bool rangeLocked = ctx.searchMode == kSearchAdvanced || ctx.searchMode == kSearchRaw;
    volume::PartitionSearchView& view = ctx.progress();
    view.partitionSearchStarted(rangeLocked);
    volume::PartitionListingTarget target = PartitionTargetOf(ctx);
    volume::ForgetPartitions(target, ctx.selectedDiskNumber);
}

void SweepForPartitions(RecoveryContext& ctx, std::stop_token stop) {
    const volume::SearchGeometry g = ReadSearchGeometry(ctx);
    volume::PartitionListingTarget target = PartitionTargetOf(ctx);
    volume::PartitionSearchView& view = ctx.progress();
    const volume::VolumeSearchOutcome outcome =
        volume::SweepForPartitions(*ctx.reader, g, target, view, stop);
    // A stop asked by the user keeps what was found and gives the controls back; any
    // other stop (the window closing) leaves the window alone.
    if (outcome.end == volume::VolumeSearchEnd::Stopped && stop.stop_requested() &&
        !ctx.partitionSearchStopAsked)
        return;
    volume::AnnouncePartitionsFound(target, view, ctx.searchMode == kSearchAdvanced);
}

void SearchPartitions(RecoveryContext& ctx, std::stop_token stop) {
    BeginPartitionSearch(ctx);
    SweepForPartitions(ctx, std::move(stop));
}

void StartPartitionSearch(RecoveryContext& ctx) {
    if (ctx.partitionSearchRunning.exchange(true))
        return;
    ctx.partitionSearchStopAsked = false;
    // The record is emptied before the worker exists, so the caller goes on with a
    // consistent (empty) record; from then on only the worker writes it.
    BeginPartitionSearch(ctx);
    // Assigning joins the previous, finished worker.
    ctx.partitionSearchThread = std::jthread([&ctx](std::stop_token stop) {
        SweepForPartitions(ctx, stop);
        ctx.partitionSearchRunning = false;
    });
}

void StopPartitionSearch(RecoveryContext& ctx) {
    if (!ctx.partitionSearchRunning)
        return;
    ctx.partitionSearchStopAsked = true;
    ctx.partitionSearchThread.request_stop();
}

bool PartitionSearchRunning(const RecoveryContext& ctx) {
    return ctx.partitionSearchRunning;
}

void InstallPartitionSearch(RecoveryContext& ctx) {
    ctx.startPartitionSearch = [&ctx] {
        if (ctx.readingPartitionTable)
            ctx.partitionSearchPending = true;
        else
            StartPartitionSearch(ctx);
    };
}

} // namespace qr::app
