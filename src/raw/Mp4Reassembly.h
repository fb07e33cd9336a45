#pragma once
// An MP4, MOV or 3GP video written in two fragments. Its movie box (before the media
// data or behind it) gives every chunk's offset and length; where a chunk's bytes do
// not hold its samples (raw/Mp4SampleCheck.h) the file broke at a step boundary before
// it, and the rest is looked for 1 to 4,096 steps further on: the first video chunk
// wholly behind the break must hold at the gap tried, then the break is placed where
// the chunks around it hold and their coded bytes look least like other data (of those
// alike, on the widest boundary the gap is a multiple of, as clusters are), and
// every chunk must hold before the video is taken. A movie box behind the media data
// may itself lie behind the gap (raw/Mp4Layout.h). Checks spend a step budget and the
// whole search a time budget.
#include "disk/SectorSource.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace qr::raw {

struct VideoFragments {
    std::uint64_t firstBytes = 0;   // from the video's first sector
    std::uint64_t secondSector = 0; // where the rest begins
    std::uint64_t secondBytes = 0;
    std::string_view extension;
};

// The fragments of the video whose `ftyp` starts sector `start`, the search's range
// ending before `rangeEnd` and fragments beginning at multiples of `stepSectors`.
std::optional<VideoFragments> ReassembleVideo(disk::SectorSource& source, std::uint64_t start,
                                              std::uint64_t rangeEnd, std::uint32_t stepSectors);

} // namespace qr::raw
