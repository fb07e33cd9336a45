#pragma once
// The standard FAT directory scan: the first sector of every cluster of the data
// area is tested for a directory head ("." and ".." entries naming the cluster
// itself); each find is handed to the caller, in sector order.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "fat/FatReadCache.h"
#include "volume/SearchProgress.h"
#include "volume/VolumeParams.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

namespace qr::fat {

// A directory head found by the scan: its sector and the fields of its "." entry
// (and the parent cluster of its ".." entry).
struct FoundDirectory {
    std::uint64_t sector = 0;
    std::uint32_t self = 0;
    std::uint32_t parent = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint32_t size = 0;
    std::uint8_t attributes = 0;
};

// The directory head of `cluster` when `head` (its first sector) holds one: "." and ".."
// entries whose "." names the cluster itself. `sector` is where the head was read.
std::optional<FoundDirectory> DirectoryHeadOf(disk::ByteView head, std::uint64_t sector,
                                              std::uint64_t cluster, bool fat32);

// Sweeps the data area of the FAT16 or FAT32 volume (up to its end and the end of the
// medium) and calls `found` for each head. Reports the DirectoryScan phase, the
// sector reached (position of the volume's end) and the Directories counter, counting
// on from `countedBefore`. Stops between read batches when `stop` is requested. The
// whole first cluster of each directory found goes into `cache` (when given), so
// naming the folders afterwards need not read it again.
void ScanFatDirectories(disk::SectorSource& source, const volume::VolumeParams& volume,
                        std::stop_token stop, volume::SearchProgress& progress,
                        std::uint64_t countedBefore,
                        const std::function<void(const FoundDirectory&)>& found,
                        FatReadCache* cache = nullptr);

} // namespace qr::fat
