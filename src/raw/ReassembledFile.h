#pragma once
// Writing a file the raw search found in fragments, counted as reassembled: a JPEG
// whose data breaks, written from its two fragments when a continuation decodes it
// whole (raw/JpegReassembly.h), and an MP4, MOV or 3GP video whose chunks all hold
// their samples across one gap (raw/Mp4Reassembly.h).
#include "raw/CarvedFile.h"

#include <optional>

namespace qr::raw {

struct ReassembledWrite {
    CarveResult result = CarveResult::Dropped;
    std::uint64_t firstSectors = 0; // sectors of the first fragment
};

// True for the rows whose files may be reassembled.
bool MayReassemble(RawKind row);

// The file of row `row` whose header stands at `start`, as file `number`; nullopt when
// it is not wanted or its fragments are not found.
std::optional<ReassembledWrite> WriteReassembledFile(const CarveTarget& target, RawKind row,
                                                     std::uint64_t start, std::uint64_t number,
                                                     CarvedFile& file);

} // namespace qr::raw
