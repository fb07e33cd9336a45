#include "volume/PartitionSearch.h"

#include "app/RecoveryContext.h"
#include "platform/RegistryStore.h"
#include "volume/PartitionListing.h"
#include "volume/SectorRead.h"

#include <charconv>
#include <string>
#include <utility>

namespace qr::volume {
namespace {

constexpr std::uint64_t kLbaHeads = 255;
constexpr std::uint64_t kLbaSectorsPerTrack = 63;
constexpr std::uint64_t kLastSector32 = 0xFFFFFFFFu;

const char* const kSearchingStatus = "Partition table has been corrupted, Now Quarrixdale "
                                     "Recovery - Memory Card is searchig partitions...";
const char* const kDoneStatus = "Select the partition to recover from left panel and then click "
                                "on next button or click on back button for select another disk.";

const int kRangeControls[] = {app::item::kPartitionType, app::item::kStartSector,
                              app::item::kEndSector};
const int kRangeControlsWithLabels[] = {app::item::kPartitionType, app::item::kPartitionTypeLabel,
                                        app::item::kStartSector,   app::item::kStartSectorLabel,
                                        app::item::kEndSector,     app::item::kEndSectorLabel};

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

// The name and size of a volume boot sector, or an empty name.
struct FoundVolume {
    std::string name;
    std::uint32_t sectors = 0;
};

FoundVolume recognise(const Sector& s) {
    if (s.hasText(0x55, "32"))
        return {FileSystemName(FileSystemKind::Fat32), s.u32(0x20)};
    if (s.hasText(0x39, "16"))
        return {FileSystemName(FileSystemKind::Fat16), s.u32(0x20)};
    if (s.hasText(0x03, "NTFS"))
        return {FileSystemName(FileSystemKind::Ntfs), s.u32(0x28)};
    return {};
}

int selectorEntry(const std::string& name) {
    switch (FileSystemKindFromName(name)) {
    case FileSystemKind::Fat16:
        return 0;
    case FileSystemKind::Fat32:
        return 1;
    case FileSystemKind::Ntfs:
        return 2;
    default:
        return 3;
    }
}

void announceStart(app::RecoveryContext& ctx) {
    app::WindowItems& w = ctx.window();
    w.setItemText(app::item::kStatusLine, kSearchingStatus);
    if (ctx.searchMode == app::kSearchAdvanced || ctx.searchMode == app::kSearchRaw)
        for (int id : kRangeControls)
            w.enableItem(id, false);
    w.enableItem(app::item::kBack, false);
    w.enableItem(app::item::kNext, false);
    w.enableItem(app::item::kSearchPartition, false);
    w.showItem(app::item::kProgressBar, true);
    w.showItem(app::item::kProgressCaption, true);
    w.setItemText(app::item::kProgressCaption, "Searching Partition...");
    w.selectEntry(app::item::kPartitionType, 3);
    w.setItemText(app::item::kStartSector, "0");
    w.setItemText(app::item::kEndSector, "0");
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
    app::WindowItems& w = ctx.window();
    const DiskPartitionRecord& record = SelectedDiskRecord(ctx);
    if (record.count > 0) {
        w.selectEntry(app::item::kPartitionType, selectorEntry(record.fileSystemNames[0]));
        w.setItemText(app::item::kStartSector, std::to_string(record.slots[1].startSector));
        w.setItemText(app::item::kEndSector, std::to_string(record.slots[1].endSector));
    }
    w.setProgress(app::item::kProgressBar, 100);
    w.showItem(app::item::kSearchPartition, false);
    w.showItem(app::item::kStopSearchPartition, false);
    w.enableItem(app::item::kLoadLogButton, true);
    w.enableItem(app::item::kSaveButton, false);
    w.showItem(app::item::kProgressBar, false);
    w.showItem(app::item::kProgressCaption, false);
    w.enableItem(app::item::kBack, true);
    w.enableItem(app::item::kNext, true);
    w.setItemText(app::item::kStatusLine, kDoneStatus);
    if (ctx.searchMode == app::kSearchAdvanced)
        for (int id : kRangeControlsWithLabels) {
            w.showItem(id, true);
            w.enableItem(id, true);
        }
    w.enableItem(app::item::kPartitionTree, true);
    ctx.partitionTree.setExpanded(PartitionTreeRoot(ctx), true);
}

// Reads `sector`; true when it ends in 0x55 0xAA.
bool readBootCandidate(app::RecoveryContext& ctx, std::uint64_t sector, Sector& out) {
    out = ReadSector(ctx, sector);
    return out.hasBootSignature();
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
    const SearchGeometry g = ReadSearchGeometry(ctx);
    const std::uint64_t cylinderSectors = static_cast<std::uint64_t>(g.heads) * g.sectorsPerTrack;
    // A zero-sized cylinder would read the same sectors over and over.
    const std::uint64_t cylinders = cylinderSectors == 0 ? 0 : g.cylinders;
    app::WindowItems& w = ctx.window();
    Sector s;
    for (std::uint64_t c = 0; c < cylinders; ++c) {
        const std::uint64_t base = c * cylinderSectors;
        // Slots hold 32-bit sector numbers; nothing beyond them can be listed.
        if (base > kLastSector32 || !HasRoomForPartition(SelectedDiskRecord(ctx)))
            break;
        if (stop.stop_requested())
            return;
        w.setProgress(app::item::kProgressBar, static_cast<int>(100 * c / cylinders));
        std::uint64_t at = base + g.sectorsPerTrack;
        if (!readBootCandidate(ctx, at, s)) {
            if (stop.stop_requested())
                return;
            at = base;
            if (!readBootCandidate(ctx, at, s))
                continue;
        }
        const FoundVolume v = recognise(s);
        if (!v.name.empty())
            ListPartition(ctx, v.name, at, at + v.sectors);
    }
    if (stop.stop_requested())
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
    // The record is emptied before the worker exists, so the caller goes on with a
    // consistent (empty) record; from then on only the worker writes it.
    BeginPartitionSearch(ctx);
    // Assigning joins the previous, finished worker.
    ctx.partitionSearchThread = std::jthread([&ctx](std::stop_token stop) {
        SweepForPartitions(ctx, stop);
        ctx.partitionSearchRunning = false;
    });
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
