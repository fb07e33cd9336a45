#include "raw/CodedDataMap.h"

#include "raw/MediaFormats.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

constexpr std::uint64_t kSector = disk::kSectorBytes;
constexpr std::uint32_t kBatchSectors = 2048;

bool isRestart(unsigned char m) {
    return m >= 0xD0 && m <= 0xD7;
}

} // namespace

bool ClearedSector(const unsigned char* sector) {
    return (sector[0] == 0x00 || sector[0] == 0xFF) &&
           std::memcmp(sector, sector + 1, kSector - 1) == 0;
}

CodedDataMap::CodedDataMap(disk::SectorSource& source, std::uint64_t first, std::uint64_t end)
    : first_(first) {
    if (end <= first)
        return;
    map_.resize(static_cast<std::size_t>(end - first));
    // One sector more than a batch, so that an FF at a batch's end sees its next byte.
    std::vector<unsigned char> batch((kBatchSectors + 1) * kSector);
    for (std::uint64_t at = first; at < end; at += kBatchSectors) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kBatchSectors, end - at));
        const std::uint32_t read = at + count < end ? count + 1 : count;
        std::fill(batch.begin() + std::ptrdiff_t{read} * kSector, batch.end(), 0);
        if (source.readSectors(at, read, batch.data()) == disk::ReadStatus::NoMedium) {
            map_.resize(static_cast<std::size_t>(at - first));
            return;
        }
        for (std::uint32_t s = 0; s < count; ++s) {
            const unsigned char* p = batch.data() + std::size_t{s} * kSector;
            Sector& sector = map_[static_cast<std::size_t>(at - first + s)];
            sector.cleared = ClearedSector(p);
            sector.header = MediaHeaderKind(p, 2 * kSector).has_value();
            for (const unsigned char* ff = p; (ff = static_cast<const unsigned char*>(std::memchr(
                                                   ff, 0xFF, p + kSector - ff))) != nullptr;
                 ++ff) {
                const unsigned char next = ff[1];
                if (next == 0x00 || isRestart(next))
                    continue;
                const auto offset = static_cast<std::uint16_t>(ff - p);
                if (next == 0xD9)
                    sector.firstEnd = std::min(sector.firstEnd, offset);
                else
                    sector.firstMarker = std::min(sector.firstMarker, offset);
                if (sector.firstMarker < 512 && sector.firstEnd < 512)
                    break;
            }
        }
    }
}

bool CodedDataMap::mayContinue(std::uint64_t sector) const {
    if (!inside(sector) || map_[sector - first_].cleared || map_[sector - first_].header)
        return false;
    for (std::uint64_t k = sector; k < sector + kCodedDataLookSectors && inside(k); ++k) {
        const Sector& s = map_[k - first_];
        if (s.firstMarker < s.firstEnd || (k != sector && s.cleared && s.firstEnd == 512))
            return false;
        if (s.firstEnd < 512)
            return true;
    }
    return true;
}

bool CodedDataMap::otherData(std::uint64_t sector) const {
    if (!inside(sector))
        return false;
    const Sector& s = map_[sector - first_];
    return s.cleared || s.header || s.firstMarker < 512;
}

bool CodedDataMap::afterOtherData(std::uint64_t sector, std::uint32_t within) const {
    for (std::uint64_t k = 1; k <= within; ++k) {
        const std::uint64_t before = sector - k;
        if (k > sector || !inside(before))
            return true;
        if (otherData(before) || map_[before - first_].firstEnd < 512)
            return true;
    }
    return false;
}

} // namespace qr::raw
