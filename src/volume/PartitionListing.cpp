#include "volume/PartitionListing.h"

#include <algorithm>

namespace qr::volume {

model::TreeItem AddTreeItem(model::TreeModel& tree, const std::string& text,
                            model::TreeItem parent) {
    return tree.insert(parent, text, model::tree_image::kPartition, model::tree_image::kPartition);
}

std::string PartitionItemText(std::uint32_t k, const std::string& name) {
    return "Partition - " + std::to_string(k) + " ( " + name + " )";
}

bool HasRoomForPartition(const DiskPartitionRecord& record, std::uint32_t limit) {
    return record.count < std::min<std::uint32_t>(limit, kListedPartitions);
}

model::TreeItem PartitionTreeRoot(const model::TreeModel& tree) {
    return tree.firstTopLevel();
}

DiskPartitionRecord& DiskRecord(std::array<DiskPartitionRecord, kMaxDisks>& records,
                                std::size_t disk) {
    return records[std::min<std::size_t>(disk, records.size() - 1)];
}

bool ListPartition(PartitionListingTarget& target, const std::string& name, std::uint64_t start,
                   std::uint64_t end, std::uint32_t limit) {
    DiskPartitionRecord& record = target.record;
    if (!HasRoomForPartition(record, limit))
        return false;
    const std::uint32_t k = record.count + 1;
    constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;
    record.fileSystemNames[k - 1] = name;
    PartitionSlot& slot = record.slots[k];
    slot.startSector = static_cast<std::uint32_t>(std::min(start, kMax32));
    slot.endSector = static_cast<std::uint32_t>(std::min(end, kMax32));
    slot.firstSector = start;
    slot.behindSector = end;
    slot.gptName.clear();
    slot.treeItem =
        AddTreeItem(target.tree, PartitionItemText(k, name), PartitionTreeRoot(target.tree));
    if (k == 1)
        target.firstPartitionItem = slot.treeItem;
    record.count = k;
    return true;
}

} // namespace qr::volume
