#pragma once
// FAT sectors and directory clusters kept for the life of one search, so that naming
// and listing a folder reads each of its sectors from the medium once. Runs are kept
// as they were read (start and length), without their trailing zero bytes: a directory
// cluster is mostly the zeros behind its last entry, so 100,000 folders fit in a few
// megabytes. A budget bounds the memory, after which reads go to the medium again.
// Reads that failed are not kept.
#include "disk/SectorSource.h"
#include "fat/RunIndex.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qr::fat {

class FatReadCache {
public:
    explicit FatReadCache(std::uint64_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    // Reads `count` sectors from `start` (from the cache when this run was read before).
    // With `written`, a run served from the cache writes only its leading sectors that
    // hold data and says how many bytes that is; the sectors behind are zeros on the
    // medium and the buffer keeps whatever it held there. Without it, the whole buffer
    // is written.
    disk::ReadStatus read(disk::SectorSource& source, std::uint64_t start, std::uint32_t count,
                          unsigned char* buffer, std::size_t* written = nullptr);
    // Keeps `count` sectors from `start` that were read some other way (the directory
    // scan reads every directory's cluster); within the budget, like a read.
    void keep(std::uint64_t start, std::uint32_t count, const unsigned char* bytes);
    void clear();
    // Memory the kept runs take (their stored bytes and bookkeeping).
    std::uint64_t heldBytes() const;

    static constexpr std::uint64_t kDefaultBudget = 256ull << 20;

private:
    // The run's bytes up to its last non-zero byte; the rest of the run is zeros.
    struct Run {
        const unsigned char* bytes = nullptr;
        std::size_t used = 0;
    };

    // Keeps the run unless it is kept already or the budget is spent. Caller holds mutex_.
    void keepLocked(std::uint64_t start, std::uint32_t count, const unsigned char* bytes);
    // A copy of `bytes` in the current chunk (a new one when it does not fit).
    const unsigned char* store(const unsigned char* bytes, std::size_t length);

    mutable std::mutex mutex_;
    std::uint64_t budget_;
    std::uint64_t held_ = 0;
    // A start may have runs of several lengths.
    RunIndex<Run> runs_;
    // Kept bytes live in large chunks rather than one allocation per run.
    std::vector<std::unique_ptr<unsigned char[]>> chunks_;
    std::size_t chunkSize_ = 0;
    std::size_t chunkUsed_ = 0;
};

} // namespace qr::fat
