#pragma once
// An in-memory sector source for engine tests and fuzz targets: bytes of a medium,
// sectors that fail, a medium that vanishes after a number of reads, and a log of the
// reads made.
#include "disk/SectorSource.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace qr::test {

class MemorySource final : public disk::SectorSource {
public:
    MemorySource() = default;
    explicit MemorySource(std::vector<unsigned char> bytes) : bytes(std::move(bytes)) {}

    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        reads.emplace_back(start, count);
        std::memset(buffer, 0, std::size_t{count} * disk::kSectorBytes);
        if (readsBeforeLoss >= 0 && static_cast<long>(reads.size()) > readsBeforeLoss)
            return disk::ReadStatus::NoMedium;
        bool partial = false;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t sector = start + i;
            const std::uint64_t offset = sector * disk::kSectorBytes;
            if (badSectors.count(sector) || offset >= bytes.size()) {
                partial = true;
                continue;
            }
            const std::size_t n = std::min<std::size_t>(disk::kSectorBytes, bytes.size() - offset);
            std::memcpy(buffer + std::size_t{i} * disk::kSectorBytes, bytes.data() + offset, n);
        }
        return partial ? disk::ReadStatus::Partial : disk::ReadStatus::Complete;
    }

    std::uint64_t sectorCount() override {
        return (bytes.size() + disk::kSectorBytes - 1) / disk::kSectorBytes;
    }

    std::vector<unsigned char> bytes;
    std::set<std::uint64_t> badSectors;
    // Reads after this many answer NoMedium (negative: never).
    long readsBeforeLoss = -1;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> reads;
};

} // namespace qr::test
