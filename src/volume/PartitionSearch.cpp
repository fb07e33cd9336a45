#include "volume/PartitionSearch.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "platform/RegistryStore.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionSearchView.h"
#include "volume/VolumeSearch.h"

#include <charconv>
#include <optional>
#include <string>
#include <utility>

namespace qr::volume {
namespace {

constexpr std::uint64_t kLbaHeads = 255;
constexpr std::uint64_t kLbaSectorsPerTrack = 63;
constexpr std::uint64_t kLastSector32 = 0xFFFFFFFFu;

// Leading decimal digits; 0 when there are none or the value does not fit.
std::uint64_t decimalValue(const std::string& text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return error == std::errc{} ? value : 0;
}

std::uint64_t geometryValue(app::RecoveryContext& ctx, const char* key) {
    if (!ctx.registry)
        return 0;
    return decimalValue(
        platform::ReadRegistryString(*ctx.registry, platform::RegistryRoot::ClassesRoot, key,
                                     "Disk" + std::to_string(ctx.selectedDiskNumber)));
}

void announceStart(app::RecoveryContext& ctx) {
    const bool rangeLocked =
        ctx.searchMode == app::kSearchAdvanced || ctx.searchMode == app::kSearchRaw;
    PartitionSearchView& view = ctx.progress();
    view.partitionSearchStarted(rangeLocked);
}

// Forgets the partitions listed so far. Their tree items go too: the tree is rebuilt
// with a root of the same text, so no item is left that no slot refers to.
void forgetPartitions(app::RecoveryContext& ctx) {
    DiskPartitionRecord& record = SelectedDiskRecord(ctx);
    const std::uint32_t listed = std::min<std::uint32_t>(record.count, kPartitionNames);
    for (std::uint32_t k = 1; k <= listed; ++k) {
        record.fileSystemNames[k - 1].clear();
        record.slots[k] = {};
    }
    record.count = 0;
    ctx.firstPartitionItem = model::kNoItem;
    const model::TreeItem oldRoot = PartitionTreeRoot(ctx);
    const std::string rootText = oldRoot != model::kNoItem
                                     ? ctx.partitionTree.text(oldRoot)
                                     : "Disk " + std::to_string(ctx.selectedDiskNumber);
    ctx.partitionTree.clear();
    const model::TreeItem root = ctx.partitionTree.insert(
        model::kNoItem, rootText, model::tree_image::kRoot, model::tree_image::kRoot);
    ctx.partitionTree.setExpanded(root, true);
}

void announceFinish(app::RecoveryContext& ctx) {
    const DiskPartitionRecord& record = SelectedDiskRecord(ctx);
    std::optional<FoundPartitionRange> first;
    if (record.count > 0)
        first = FoundPartitionRange{FileSystemKindFromName(record.fileSystemNames[0]),
                                    record.slots[1].startSector, record.slots[1].endSector};
    PartitionSearchView& view = ctx.progress();
    view.partitionSearchFinished(first, ctx.searchMode == app::kSearchAdvanced);
    ctx.partitionTree.setExpanded(PartitionTreeRoot(ctx), true);
}

} // namespace

SearchGeometry NormaliseGeometry(std::uint64_t cylinders, std::uint64_t sectorsPerTrack,
                                 std::uint64_t heads) {
    // Values above 32 bits are not geometry; they make the product meaningless.
    if (cylinders > kLastSector32 || sectorsPerTrack > kLastSector32 || heads > kLastSector32)
        return {};
    if (sectorsPerTrack == kLbaSectorsPerTrack)
        return {cylinders, static_cast<std::uint32_t>(heads),
                static_cast<std::uint32_t>(sectorsPerTrack)};
    const unsigned __int128 sectors =
        static_cast<unsigned __int128>(sectorsPerTrack) * heads * cylinders;
    const unsigned __int128 lbaCylinders = sectors / (kLbaHeads * kLbaSectorsPerTrack);
    return {lbaCylinders > kLastSector32 ? kLastSector32 : static_cast<std::uint64_t>(lbaCylinders),
            static_cast<std::uint32_t>(kLbaHeads), static_cast<std::uint32_t>(kLbaSectorsPerTrack)};
}

SearchGeometry ReadSearchGeometry(app::RecoveryContext& ctx) {
    return NormaliseGeometry(geometryValue(ctx, "Quarrixdale Removal Media\\Cylinder"),
                             geometryValue(ctx, "Quarrixdale Removal Media\\SectorsPerTrack"),
                             geometryValue(ctx, "Quarrixdale Removal Media\\Head"));
}

void BeginPartitionSearch(app::RecoveryContext& ctx) {
    announceStart(ctx);
    forgetPartitions(ctx);
}

void SweepForPartitions(app::RecoveryContext& ctx, std::stop_token stop) {
    SearchGeometry g = ReadSearchGeometry(ctx);
    const std::uint64_t diskSectors = ctx.reader->sectorCount();
    // Without the listing's geometry the medium's size gives the usual 255 x 63 one.
    if (g.cylinders == 0)
        g = NormaliseGeometry(diskSectors / (kLbaHeads * kLbaSectorsPerTrack), kLbaSectorsPerTrack,
                              kLbaHeads);
    const VolumeSearchPlan plan{g.cylinders, std::uint64_t{g.heads} * g.sectorsPerTrack,
                                g.sectorsPerTrack};
    PartitionSearchView& view = ctx.progress();
    const VolumeSearchOutcome outcome = SearchVolumes(
        *ctx.reader, plan, stop,
        [&ctx](const FoundVolumeAt& v) {
            return ListPartition(ctx, FileSystemName(v.kind), v.start, v.end) &&
                   HasRoomForPartition(SelectedDiskRecord(ctx));
        },
        [&view](std::uint64_t at, std::uint64_t end) { view.partitionSearchAt(at, end); });
    // A stop asked by the user keeps what was found and gives the controls back; any
    // other stop (the window closing) leaves the window alone.
    if (outcome.end == VolumeSearchEnd::Stopped && stop.stop_requested() &&
        !ctx.partitionSearchStopAsked)
        return;
    announceFinish(ctx);
}

void SearchPartitions(app::RecoveryContext& ctx, std::stop_token stop) {
    BeginPartitionSearch(ctx);
    SweepForPartitions(ctx, std::move(stop));
}

void StartPartitionSearch(app::RecoveryContext& ctx) {
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

void StopPartitionSearch(app::RecoveryContext& ctx) {
    if (!ctx.partitionSearchRunning)
        return;
    ctx.partitionSearchStopAsked = true;
    ctx.partitionSearchThread.request_stop();
}

bool PartitionSearchRunning(const app::RecoveryContext& ctx) {
    return ctx.partitionSearchRunning;
}

void InstallPartitionSearch(app::RecoveryContext& ctx) {
    ctx.startPartitionSearch = [&ctx] {
        if (ctx.readingPartitionTable)
            ctx.partitionSearchPending = true;
        else
            StartPartitionSearch(ctx);
    };
}

} // namespace qr::volume
