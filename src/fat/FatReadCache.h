#pragma once
// FAT sectors and directory clusters kept for the life of one search, so that naming
// and listing a folder reads each of its sectors from the medium once. Runs are kept
// as they were read (start and length); a budget bounds the memory, after which reads
// go to the medium again. Reads that failed are not kept.
#include "disk/SectorSource.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace qr::fat {

class FatReadCache {
public:
    explicit FatReadCache(std::uint64_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    // Reads `count` sectors from `start` (from the cache when this run was read before).
    disk::ReadStatus read(disk::SectorSource& source, std::uint64_t start, std::uint32_t count,
                          unsigned char* buffer);
    void clear();
    std::uint64_t heldBytes() const;

    static constexpr std::uint64_t kDefaultBudget = 256ull << 20;

private:
    mutable std::mutex mutex_;
    std::uint64_t budget_;
    std::uint64_t held_ = 0;
    std::map<std::pair<std::uint64_t, std::uint32_t>, std::vector<unsigned char>> runs_;
};

} // namespace qr::fat
