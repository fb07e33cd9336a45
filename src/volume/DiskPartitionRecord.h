#pragma once
// The partitions found on one disk: names by partition, slots numbered from 1.
#include "model/TreeModel.h"

#include <array>
#include <cstdint>
#include <string>

namespace qr::volume {

inline constexpr int kMaxDisks = 26;
// An MBR table and the partition search list at most this many partitions.
inline constexpr int kPartitionNames = 26;
// A GPT lists up to this many (its header gives the count, usually 128).
inline constexpr int kListedPartitions = 256;
inline constexpr int kPartitionSlots = kListedPartitions + 1; // slot 0 unused

struct PartitionSlot {
    model::TreeItem treeItem = model::kNoItem;
    // The values of the classic record, kept to 32 bits ...
    std::uint32_t startSector = 0;
    std::uint32_t endSector = 0; // first sector behind the partition
    // ... and the whole ones beside them, read where a 32-bit value is at its limit.
    std::uint64_t firstSector = 0;
    std::uint64_t behindSector = 0;
    std::string gptName = {}; // the GPT entry's own name; empty on MBR disks
};

// The start and end of a slot, whole: the wide value where the 32-bit one is full.
inline std::uint64_t SlotStart(const PartitionSlot& s) {
    return s.startSector == 0xFFFFFFFFu ? s.firstSector : s.startSector;
}
inline std::uint64_t SlotEnd(const PartitionSlot& s) {
    return s.endSector == 0xFFFFFFFFu ? s.behindSector : s.endSector;
}

// Slots count in the medium's own sectors of `sectorBytes` bytes, as its table does;
// a volume chosen from them is searched in 512-byte sectors (VolumeStartOf).
struct DiskPartitionRecord {
    std::uint32_t count = 0;
    std::uint32_t sectorBytes = 512;
    std::array<std::string, kListedPartitions> fileSystemNames{}; // index k - 1
    std::array<PartitionSlot, kPartitionSlots> slots{};
};

// 512-byte sectors per sector of the record's medium.
inline std::uint64_t SubSectorsOf(const DiskPartitionRecord& record) {
    return record.sectorBytes >= 512 ? record.sectorBytes / 512 : 1;
}

// The first 512-byte sector of slot k's volume, and the last one inside it.
inline std::uint64_t VolumeStartOf(const DiskPartitionRecord& record, std::uint32_t k) {
    return SlotStart(record.slots[k]) * SubSectorsOf(record);
}
inline std::uint64_t VolumeLastOf(const DiskPartitionRecord& record, std::uint32_t k) {
    const std::uint64_t behind = SlotEnd(record.slots[k]) * SubSectorsOf(record);
    return behind > 0 ? behind - 1 : 0;
}

} // namespace qr::volume
