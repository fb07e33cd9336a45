#include "fat/FatReadCache.h"

#include "fat/FatVolume.h"

#include <cstring>

namespace qr::fat {

disk::ReadStatus FatReadCache::read(disk::SectorSource& source, std::uint64_t start,
                                    std::uint32_t count, unsigned char* buffer) {
    const std::size_t bytes = std::size_t{count} * disk::kSectorBytes;
    const auto key = std::make_pair(start, count);
    {
        std::lock_guard lock(mutex_);
        if (auto it = runs_.find(key); it != runs_.end()) {
            std::memcpy(buffer, it->second.data(), bytes);
            return disk::ReadStatus::Complete;
        }
    }
    const disk::ReadStatus status = source.readSectors(start, count, buffer);
    if (status != disk::ReadStatus::Complete)
        return status;
    std::lock_guard lock(mutex_);
    if (held_ + bytes <= budget_ && runs_.find(key) == runs_.end()) {
        runs_.emplace(key, std::vector<unsigned char>(buffer, buffer + bytes));
        held_ += bytes;
    }
    return status;
}

void FatReadCache::clear() {
    std::lock_guard lock(mutex_);
    runs_.clear();
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
