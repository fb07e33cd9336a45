#pragma once
// Which sectors of a stretch of the medium may hold the coded data of a JPEG: for each
// sector, where its first marker other than a restart or an EOI stands and where its
// first EOI stands, whether it is cleared (one byte value) and whether another file's
// header starts it. Read once, so that the candidates for a picture's continuation are
// told apart without reading the medium again.
#include "disk/SectorSource.h"

#include <cstdint>
#include <vector>

namespace qr::raw {

// The sectors from a candidate that tell whether coded data may go on there.
inline constexpr std::uint32_t kCodedDataLookSectors = 8;

// A sector of one byte value, 00 or FF: a cleared or erased area, never coded data.
bool ClearedSector(const unsigned char* sector);

class CodedDataMap {
public:
    // Sectors [first, end) of `source`.
    CodedDataMap(disk::SectorSource& source, std::uint64_t first, std::uint64_t end);

    // True when a picture's coded data may go on at `sector`: not cleared, no other
    // file's header, and no marker but restarts in it and the kCodedDataLookSectors - 1
    // sectors behind it (up to an EOI, behind which anything may follow).
    bool mayContinue(std::uint64_t sector) const;
    // True when `sector` holds what no coded data holds: it is cleared, starts with
    // another file's header, or holds a marker other than restarts and the EOI.
    bool otherData(std::uint64_t sector) const;
    // True when one of the `within` sectors before `sector` is other data or holds a
    // picture's end: where a continuation most likely begins.
    bool afterOtherData(std::uint64_t sector, std::uint32_t within = 1) const;

private:
    struct Sector {
        std::uint16_t firstMarker = 512; // 512: none
        std::uint16_t firstEnd = 512;    // of an EOI; 512: none
        bool cleared = false;
        bool header = false;
    };
    bool inside(std::uint64_t sector) const {
        return sector >= first_ && sector - first_ < map_.size();
    }

    std::uint64_t first_;
    std::vector<Sector> map_;
};

} // namespace qr::raw
