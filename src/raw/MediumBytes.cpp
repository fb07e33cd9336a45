#include "raw/MediumBytes.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {
constexpr std::uint64_t kSector = disk::kSectorBytes;
constexpr std::uint64_t kBlockSectors = 128;
} // namespace

MediumBytes::MediumBytes(disk::SectorSource& source, std::uint64_t rangeEnd)
    : source_(source), end_(rangeEnd * kSector), block_(kBlockSectors * kSector) {}

bool MediumBytes::load(std::uint64_t sector) {
    const std::uint64_t first = sector / kBlockSectors * kBlockSectors;
    const std::uint64_t count = std::min(kBlockSectors, end_ / kSector - first);
    if (source_.readSectors(first, static_cast<std::uint32_t>(count), block_.data()) ==
        disk::ReadStatus::NoMedium) {
        lost_ = true;
        blockSectors_ = 0;
        return false;
    }
    blockFirst_ = first;
    blockSectors_ = count;
    return true;
}

bool MediumBytes::read(std::uint64_t offset, std::uint64_t length, unsigned char* out) {
    if (lost_ || offset > end_ || length > end_ - offset)
        return false;
    while (length > 0) {
        const std::uint64_t sector = offset / kSector;
        if ((sector < blockFirst_ || sector >= blockFirst_ + blockSectors_) && !load(sector))
            return false;
        const std::uint64_t at = offset - blockFirst_ * kSector;
        const std::uint64_t n = std::min(length, blockSectors_ * kSector - at);
        std::memcpy(out, block_.data() + at, static_cast<std::size_t>(n));
        out += n;
        offset += n;
        length -= n;
    }
    return true;
}

} // namespace qr::raw
