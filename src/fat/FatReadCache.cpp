#include "fat/FatReadCache.h"

#include "fat/FatVolume.h"

#include <algorithm>
#include <cstring>

namespace qr::fat {

namespace {

// What one kept run costs besides its bytes: its place in the indexes.
constexpr std::uint64_t kRunOverhead = 48;
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

// True when the 64 bytes at `p` are all zero (one vector OR, no byte loop).
bool zeroBlock(const unsigned char* p) {
    std::uint64_t w[8];
    std::memcpy(w, p, sizeof w);
    return ((w[0] | w[1]) | (w[2] | w[3]) | (w[4] | w[5]) | (w[6] | w[7])) == 0;
}

// Length of `bytes` without its trailing zero bytes. Whole 64-byte blocks are tested
// first (a directory cluster is mostly zeros), then single bytes.
std::size_t usedLength(const unsigned char* bytes, std::size_t length) {
    constexpr std::size_t kBlock = 64;
    std::size_t used = length;
    while (used >= kBlock && zeroBlock(bytes + used - kBlock))
        used -= kBlock;
    while (used > 0 && bytes[used - 1] == 0)
        --used;
    return used;
}

} // namespace

disk::ReadStatus FatReadCache::read(disk::SectorSource& source, std::uint64_t start,
                                    std::uint32_t count, unsigned char* buffer,
                                    std::size_t* written) {
    const std::size_t bytes = std::size_t{count} * disk::kSectorBytes;
    {
        std::lock_guard lock(mutex_);
        if (const Run* kept = runs_.find(start, count)) {
            if (kept->used > 0)
                std::memcpy(buffer, kept->bytes, kept->used);
            // Zeros up to the end of the last sector with data, or of the run.
            const std::size_t end = written ? (kept->used + disk::kSectorBytes - 1) /
                                                  disk::kSectorBytes * disk::kSectorBytes
                                            : bytes;
            std::memset(buffer + kept->used, 0, end - kept->used);
            if (written)
                *written = end;
            return disk::ReadStatus::Complete;
        }
    }
    const disk::ReadStatus status = source.readSectors(start, count, buffer);
    if (written)
        *written = bytes;
    if (status != disk::ReadStatus::Complete)
        return status;
    std::lock_guard lock(mutex_);
    keepLocked(start, count, buffer);
    return status;
}

void FatReadCache::keep(std::uint64_t start, std::uint32_t count, const unsigned char* bytes) {
    std::lock_guard lock(mutex_);
    keepLocked(start, count, bytes);
}

void FatReadCache::keepLocked(std::uint64_t start, std::uint32_t count,
                              const unsigned char* bytes) {
    // The sweep offers every folder the walk kept already: look before measuring.
    if (held_ + kRunOverhead > budget_ || runs_.find(start, count))
        return;
    const std::size_t used = usedLength(bytes, std::size_t{count} * disk::kSectorBytes);
    const std::uint64_t cost = used + kRunOverhead;
    if (held_ + cost > budget_)
        return;
    runs_.insert(start, count, Run{store(bytes, used), used});
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

bool FatVolume::read(std::uint64_t start, std::uint32_t count, unsigned char* buffer,
                     std::size_t* written) const {
    if (written)
        *written = std::size_t{count} * disk::kSectorBytes;
    if (!source) {
        std::memset(buffer, 0, std::size_t{count} * disk::kSectorBytes);
        return false;
    }
    const disk::ReadStatus status = cache ? cache->read(*source, start, count, buffer, written)
                                          : source->readSectors(start, count, buffer);
    return status != disk::ReadStatus::Partial;
}

} // namespace qr::fat
