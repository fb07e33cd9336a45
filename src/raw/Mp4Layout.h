#pragma once
// Where a video's top-level boxes lie when the file may have broken once at a step
// boundary: box after box from its `ftyp` by their sizes; a header that does not stand
// where the sizes put it (while the `moov` or the `mdat` is still missing) is looked
// for 1 to 4,096 steps further on, a `moov` opening with its `mvhd` or an `mdat`, and
// the rest of the file lies that gap further. The file ends behind the last box.
#include "raw/MediaLength.h"
#include "raw/MediumBytes.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qr::raw {

// The farthest a continuation lies behind its break, in steps.
inline constexpr std::uint64_t kMaxVideoGapSteps = 4096;

// A file whose bytes [0, breakAt) lie from `startByte` of the medium and the rest
// `gap` bytes further.
struct FilePlacement {
    std::uint64_t startByte = 0;
    std::uint64_t fileBytes = 0;
    std::uint64_t breakAt = 0;
    std::uint64_t gap = 0;
};

// Reads the file's bytes as placed, never behind `fileBytes`.
FileBytesReader PlacedFileReader(MediumBytes& medium, const FilePlacement& placement);

struct VideoLayout {
    std::uint64_t fileBytes = 0;
    std::vector<unsigned char> movie; // the `moov` payload
    // The break lies at or behind `heldBytes` (read in one run from the start) and, when
    // the gap was found at a box, at or before `gapAt`, that box's offset.
    std::uint64_t heldBytes = 0;
    std::optional<std::uint64_t> gap;
    std::uint64_t gapAt = 0;
    std::string_view extension;
};

// The layout of the video whose `ftyp` starts sector `start`, fragments beginning at
// multiples of `stepBytes` from it; nullopt without both a `moov` and an `mdat`.
std::optional<VideoLayout> WalkVideoBoxes(MediumBytes& medium, std::uint64_t start,
                                          std::uint64_t stepBytes);

} // namespace qr::raw
