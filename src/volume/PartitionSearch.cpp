#include "volume/PartitionSearch.h"

#include "disk/SectorSource.h"
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

std::uint64_t geometryValue(platform::RegistryStore* registry, unsigned disk, const char* key) {
    if (!registry)
        return 0;
    return decimalValue(platform::ReadRegistryString(*registry, platform::RegistryRoot::ClassesRoot,
                                                     key, "Disk" + std::to_string(disk)));
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

SearchGeometry ReadSearchGeometry(platform::RegistryStore* registry, unsigned disk) {
    return NormaliseGeometry(
        geometryValue(registry, disk, "Quarrixdale Removal Media\\Cylinder"),
        geometryValue(registry, disk, "Quarrixdale Removal Media\\SectorsPerTrack"),
        geometryValue(registry, disk, "Quarrixdale Removal Media\\Head"));
}

void ForgetPartitions(PartitionListingTarget& target, unsigned disk) {
    DiskPartitionRecord& record = target.record;
    const std::uint32_t listed = std::min<std::uint32_t>(record.count, kListedPartitions);
    for (std::uint32_t k = 1; k <= listed; ++k) {
        record.fileSystemNames[k - 1].clear();
        record.slots[k] = {};
    }
    record.count = 0;
    target.firstPartitionItem = model::kNoItem;
    const model::TreeItem oldRoot = PartitionTreeRoot(target.tree);
    const std::string rootText =
        oldRoot != model::kNoItem ? target.tree.text(oldRoot) : "Disk " + std::to_string(disk);
    target.tree.clear();
    const model::TreeItem root = target.tree.insert(
        model::kNoItem, rootText, model::tree_image::kRoot, model::tree_image::kRoot);
    target.tree.setExpanded(root, true);
}

VolumeSearchOutcome SweepForPartitions(disk::SectorSource& source, SearchGeometry g,
                                       PartitionListingTarget& target, PartitionSearchView& view,
                                       std::stop_token stop) {
    const std::uint64_t diskSectors = source.sectorCount();
    // Without the listing's geometry the medium's size gives the usual 255 x 63 one.
    if (g.cylinders == 0)
        g = NormaliseGeometry(diskSectors / (kLbaHeads * kLbaSectorsPerTrack), kLbaSectorsPerTrack,
                              kLbaHeads);
    // A device tells its sector size; an image's is what the first volume found gives.
    const std::uint32_t deviceBytes = source.deviceSectorBytes();
    DiskPartitionRecord& record = target.record;
    if (deviceBytes != 0)
        record.sectorBytes = deviceBytes;
    const VolumeSearchPlan plan{g.cylinders, std::uint64_t{g.heads} * g.sectorsPerTrack,
                                g.sectorsPerTrack, SubSectorsOf(record)};
    return SearchVolumes(
        source, plan, std::move(stop),
        [&target, &record, deviceBytes](const FoundVolumeAt& v) {
            if (deviceBytes == 0 && record.count == 0)
                record.sectorBytes = v.sectorBytes;
            // Listed in the medium's sectors; a volume off its sector boundaries is none of it.
            const std::uint64_t k = SubSectorsOf(record);
            if (v.start % k != 0 || v.end % k != 0)
                return true;
            return ListPartition(target, FileSystemName(v.kind), v.start / k, v.end / k) &&
                   HasRoomForPartition(target.record);
        },
        [&view](std::uint64_t at, std::uint64_t end) { view.partitionSearchAt(at, end); });
}

void AnnouncePartitionsFound(PartitionListingTarget& target, PartitionSearchView& view,
                             bool showRange) {
    const DiskPartitionRecord& record = target.record;
    std::optional<FoundPartitionRange> first;
    if (record.count > 0)
        first = FoundPartitionRange{FileSystemKindFromName(record.fileSystemNames[0]),
                                    record.slots[1].startSector, record.slots[1].endSector};
    view.partitionSearchFinished(first, showRange);
    target.tree.setExpanded(PartitionTreeRoot(target.tree), true);
}

} // namespace qr::volume
