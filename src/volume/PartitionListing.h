#pragma once
// Entering partitions into a disk's record and the partition tree, shared by the
// partition-table reader and the partition search so both list alike.
#include "model/TreeModel.h"
#include "volume/DiskPartitionRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qr::volume {

// Inserts a child item with `text` and image 1 at the end of `parent`'s children.
model::TreeItem AddTreeItem(model::TreeModel& tree, const std::string& text,
                            model::TreeItem parent);

// "Partition - k ( NAME )".
std::string PartitionItemText(std::uint32_t k, const std::string& name);

// The record and tree a table reading or a partition search fills: the selected disk's
// record, the partition tree, and the item of partition 1.
struct PartitionListingTarget {
    DiskPartitionRecord& record;
    model::TreeModel& tree;
    model::TreeItem& firstPartitionItem;
};

// True while the record holds fewer than `limit` partitions (at most kListedPartitions).
bool HasRoomForPartition(const DiskPartitionRecord& record, std::uint32_t limit = kPartitionNames);

// Lists partition k = count + 1 of the record: its name, start, end (the first sector
// behind it; kept to 32 bits in startSector and endSector, whole in firstSector and
// behindSector), its tree item under the partition tree's root, and
// `firstPartitionItem` for k = 1. Returns false when the record holds `limit` already.
bool ListPartition(PartitionListingTarget& target, const std::string& name, std::uint64_t start,
                   std::uint64_t end, std::uint32_t limit = kPartitionNames);

// The root item of the partition tree (kNoItem when the tree has none).
model::TreeItem PartitionTreeRoot(const model::TreeModel& tree);

// The record of disk `disk` (disk numbers beyond the table use the last one).
DiskPartitionRecord& DiskRecord(std::array<DiskPartitionRecord, kMaxDisks>& records,
                                std::size_t disk);

} // namespace qr::volume
