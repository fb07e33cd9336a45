#pragma once
// The checks made before a raw search starts: at least one kind ticked, and the sector
// range from the whole-disk choice or from the two range fields, with the messages and
// the field that takes the focus when a check fails.
#include "raw/CarvedFile.h"

#include <cstdint>
#include <string_view>

namespace qr::raw {

enum class RangeField { None, Start, End };

struct RawRangeCheck {
    std::string_view message; // empty when the range may be searched
    RangeField focus = RangeField::None;
    // The end field is to show the disk size again ("Invalid End Sector" for a field
    // that does not hold a number).
    bool resetEnd = false;
    std::uint64_t first = 0;
    std::uint64_t end = 0; // first sector behind the range
};

// `endText` is the first sector behind the range, as the end field holds it.
RawRangeCheck CheckRawRange(bool wholeDisk, std::string_view startText, std::string_view endText,
                            std::uint64_t diskSectors);

// "Please select file type for recovery" when no kind is ticked, else empty.
std::string_view CheckRawKinds(const RawKindSet& kinds);

} // namespace qr::raw
