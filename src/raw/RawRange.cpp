#include "raw/RawRange.h"

#include <charconv>
#include <optional>

namespace qr::raw {

namespace {

std::optional<std::uint64_t> sectorNumber(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

RawRangeCheck CheckRawRange(bool wholeDisk, std::string_view startText, std::string_view endText,
                            std::uint64_t diskSectors) {
    RawRangeCheck check;
    if (wholeDisk) {
        check.end = diskSectors;
        return check;
    }
    const auto end = sectorNumber(endText);
    if (!end) {
        check.message = message::kInvalidEnd;
        check.resetEnd = true;
        return check;
    }
    const auto start = sectorNumber(startText);
    if (!start) {
        check.message = message::kInvalidStart;
        check.focus = RangeField::Start;
        return check;
    }
    if (*start >= *end) {
        check.message = message::kStartNotBelowEnd;
        return check;
    }
    if (*end > diskSectors) {
        check.message = message::kInvalidEnd;
        check.focus = RangeField::End;
        return check;
    }
    check.first = *start;
    check.end = *end;
    return check;
}

std::string_view CheckRawKinds(const RawKindSet& kinds) {
    for (const bool ticked : kinds)
        if (ticked)
            return {};
    return message::kSelectFileType;
}

} // namespace qr::raw
