#pragma once
// The partitions found on one disk: names by partition, slots numbered from 1.
#include "model/TreeModel.h"

#include <array>
#include <cstdint>
#include <string>

namespace qr::volume {

inline constexpr int kMaxDisks = 26;
inline constexpr int kPartitionNames = 26;
inline constexpr int kPartitionSlots = 50; // slot 0 unused

struct PartitionSlot {
    model::TreeItem treeItem = model::kNoItem;
    std::uint32_t startSector = 0;
    std::uint32_t endSector = 0; // first sector behind the partition
};

struct DiskPartitionRecord {
    std::uint32_t count = 0;
    std::array<std::string, kPartitionNames> fileSystemNames{}; // index k - 1
    std::array<PartitionSlot, kPartitionSlots> slots{};
};

} // namespace qr::volume
