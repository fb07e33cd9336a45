#pragma once
// Writing a file the raw search found in fragments: a JPEG whose data breaks is
// written from its two fragments when a continuation decodes it whole
// (raw/JpegReassembly.h), and counted as reassembled.
#include "raw/CarvedFile.h"

#include <optional>

namespace qr::raw {

struct ReassembledWrite {
    CarveResult result = CarveResult::Dropped;
    std::uint64_t firstSectors = 0; // sectors of the first fragment
};

// The JPEG whose header stands at `start`, as file `number`; nullopt when it is not
// wanted or no continuation decodes it whole.
std::optional<ReassembledWrite> WriteReassembledJpeg(const CarveTarget& target, std::uint64_t start,
                                                     std::uint64_t number, CarvedFile& file);

} // namespace qr::raw
