#pragma once
// A medium of larger logical sectors seen in its own sectors: sector n of the view is
// the 512-byte sectors n * k to n * k + k - 1 of the source below (k = sector bytes /
// 512). Partition tables number their sectors so; the engines keep reading 512-byte
// sectors of the source itself.
#include "disk/SectorSource.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace qr::volume {

class MediumSectorView final : public disk::SectorSource {
public:
    // `sectorBytes` is a multiple of 512 of at least 512.
    MediumSectorView(disk::SectorSource& source, std::uint32_t sectorBytes)
        : source_(source), sectorBytes_(sectorBytes),
          subSectors_(sectorBytes / disk::kSectorBytes) {}

    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        // A run whose 512-byte numbers do not fit reads as nothing, like the end of a medium.
        if (start > std::numeric_limits<std::uint64_t>::max() / subSectors_ ||
            count > std::numeric_limits<std::uint32_t>::max() / subSectors_) {
            std::fill(buffer, buffer + std::size_t{count} * sectorBytes_, 0);
            return disk::ReadStatus::Partial;
        }
        return source_.readSectors(start * subSectors_, count * subSectors_, buffer);
    }
    std::uint64_t sectorCount() override { return source_.sectorCount() / subSectors_; }
    std::uint32_t sectorBytes() const override { return sectorBytes_; }
    std::uint32_t deviceSectorBytes() override { return source_.deviceSectorBytes(); }

private:
    disk::SectorSource& source_;
    std::uint32_t sectorBytes_;
    std::uint32_t subSectors_;
};

} // namespace qr::volume
