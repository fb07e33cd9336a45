#include "raw/MediumBytes.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {
constexpr std::uint64_t kSector = disk::kSectorBytes;
constexpr std::uint64_t kBlockSectors = 128;
} // namespace

MediumBytes::MediumBytes(disk::SectorSource& source, std::uint64_t rangeEnd)
    : source_(source), end_(rangeEnd * kSector) {}

MediumBytes::Block* MediumBytes::blockOf(std::uint64_t sector) {
    ++reads_;
    for (Block& block : blocks_)
        if (sector >= block.first && sector - block.first < block.sectors) {
            block.used = reads_;
            return &block;
        }
    Block& oldest =
        *std::min_element(blocks_.begin(), blocks_.end(),
                          [](const Block& a, const Block& b) { return a.used < b.used; });
    oldest.first = sector / kBlockSectors * kBlockSectors;
    oldest.sectors = std::min(kBlockSectors, end_ / kSector - oldest.first);
    oldest.bytes.resize(kBlockSectors * kSector);
    oldest.used = reads_;
    if (source_.readSectors(oldest.first, static_cast<std::uint32_t>(oldest.sectors),
                            oldest.bytes.data()) == disk::ReadStatus::NoMedium) {
        lost_ = true;
        oldest.sectors = 0;
        return nullptr;
    }
    return &oldest;
}

bool MediumBytes::read(std::uint64_t offset, std::uint64_t length, unsigned char* out) {
    if (lost_ || offset > end_ || length > end_ - offset)
        return false;
    while (length > 0) {
        const Block* block = blockOf(offset / kSector);
        if (!block)
            return false;
        const std::uint64_t at = offset - block->first * kSector;
        const std::uint64_t n = std::min(length, block->sectors * kSector - at);
        std::memcpy(out, block->bytes.data() + at, static_cast<std::size_t>(n));
        out += n;
        offset += n;
        length -= n;
    }
    return true;
}

} // namespace qr::raw
