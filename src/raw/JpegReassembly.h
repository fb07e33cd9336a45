#pragma once
// A JPEG written in two fragments: the decoder's first corrupt data marks where the
// first fragment ends (at a step boundary of the search, a little before it); the
// continuation is looked for at the step boundaries that follow within a bounded gap
// (the nearest stretch first) and lie right behind another file's data. A candidate must look like
// coded data (raw/CodedDataMap.h) and then decode on from the break to the picture's last row and
// its EOI. Each candidate and each picture has a time budget, and a picture's first
// fragment is bounded.
#include "disk/SectorSource.h"

#include <cstdint>
#include <optional>

namespace qr::raw {

// The farthest the continuation is looked for behind the first fragment: 4,096
// clusters of 32 KiB.
inline constexpr std::uint64_t kMaxJpegGapBytes = 4096ull * 32 * 1024;
// The continuation is looked for this near the first fragment before farther: most lie a
// few clusters behind it, and the map of the farthest gap is read from the medium.
inline constexpr std::uint64_t kNearJpegGapBytes = 8ull << 20;

struct JpegFragments {
    std::uint64_t firstBytes = 0;   // from the picture's first sector
    std::uint64_t secondSector = 0; // where the rest begins
    std::uint64_t secondBytes = 0;
};

// The fragments of the JPEG whose first sector is `start`, when its data breaks and a
// continuation decodes it whole; the search's range ends before `rangeEnd`, and
// fragments begin at sectors that are multiples of `stepSectors`.
std::optional<JpegFragments> ReassembleJpeg(disk::SectorSource& source, std::uint64_t start,
                                            std::uint64_t rangeEnd, std::uint32_t stepSectors);

} // namespace qr::raw
