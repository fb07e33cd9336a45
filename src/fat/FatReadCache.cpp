#include "fat/FatReadCache.h"

#include "fat/FatVolume.h"

#include <algorithm>
#include <cstring>

namespace qr::fat {

namespace {

// What one kept run costs besides its bytes: the table's node.
constexpr std::uint64_t kRunOverhead = 48;
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

// Length of `bytes` without its trailing zero bytes. Whole 64-byte blocks are tested
// first (a directory cluster is mostly zeros), then single bytes.
std::size_t usedLength(const unsigned char* bytes, std::size_t length) {
    constexpr std::size_t kBlock = 64;
    std::size_t used = length;
    while (used >= kBlock) {
        std::uint64_t words[kBlock / sizeof(std::uint64_t)];
        std::memcpy(words, bytes + used - kBlock, kBlock);
        std::uint64_t any = 0;
        for (std::uint64_t word : words)
            any |= word;
        if (any != 0)
            break;
        used -= kBlock;
    }
    while (used > 0 && bytes[used - 1] == 0)
        --used;
    return used;
}

} // namespace

disk::ReadStatus FatReadCache::read(disk::SectorSource& source, std::uint64_t start,
                                    std::uint32_t count, unsigned char* buffer) {
    const std::size_t bytes = std::size_t{count} * disk::kSectorBytes;
    const RunKey key{start, count};
    {
        std::lock_guard lock(mutex_);
        if (auto it = runs_.find(key); it != runs_.end()) {
            const KeptRun& kept = it->second;
            if (kept.used > 0)
                std::memcpy(buffer, kept.bytes, kept.used);
            std::memset(buffer + kept.used, 0, bytes - kept.used);
            return disk::ReadStatus::Complete;
        }
    }
    const disk::ReadStatus status = source.readSectors(start, count, buffer);
    if (status != disk::ReadStatus::Complete)
        return status;
    std::lock_guard lock(mutex_);
    keepLocked(key, buffer, bytes);
    return status;
}

void FatReadCache::keep(std::uint64_t start, std::uint32_t count, const unsigned char* bytes) {
    std::lock_guard lock(mutex_);
    keepLocked({start, count}, bytes, std::size_t{count} * disk::kSectorBytes);
}

void FatReadCache::keepLocked(const RunKey& key, const unsigned char* bytes, std::size_t length) {
    const std::size_t used = usedLength(bytes, length);
    const std::uint64_t cost = used + kRunOverhead;
    if (held_ + cost > budget_ || runs_.contains(key))
        return;
    runs_.emplace(key, KeptRun{store(bytes, used), used});
    held_ += cost;
}

const unsigned char* FatReadCache::store(const unsigned char* bytes, std::size_t length) {
    if (length == 0)
        return nullptr;
    if (chunks_.empty() || chunkSize_ - chunkUsed_ < length) {
        // A run larger than a chunk gets a chunk of its own size.
        chunkSize_ = std::max(kChunkBytes, length);
        chunks_.emplace_back(new unsigned char[chunkSize_]);
        chunkUsed_ = 0;
    }
    unsigned char* at = chunks_.back().get() + chunkUsed_;
    std::memcpy(at, bytes, length);
    chunkUsed_ += length;
    return at;
}

void FatReadCache::clear() {
    std::lock_guard lock(mutex_);
    runs_.clear();
    chunks_.clear();
    chunkSize_ = chunkUsed_ = 0;
    held_ = 0;
}

std::uint64_t FatReadCache::heldBytes() const {
    std::lock_guard lock(mutex_);
    return held_;
}

bool FatVolume::read(std::uint64_t start, std::uint32_t count, unsigned char* buffer) const {
    if (!source) {
        std::memset(buffer, 0, std::size_t{count} * disk::kSectorBytes);
        return false;
    }
    const disk::ReadStatus status = cache ? cache->read(*source, start, count, buffer)
                                          : source->readSectors(start, count, buffer);
    return status != disk::ReadStatus::Partial;
}

} // namespace qr::fat
