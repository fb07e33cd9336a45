#pragma once
// The $STANDARD_INFORMATION attribute (type 0x10, always resident): the record's own
// times, which Windows keeps current (the file-name attribute's copies are not).
#include "disk/ByteView.h"

#include <cstdint>
#include <optional>

namespace qr::ntfs {

inline constexpr std::uint32_t kStandardInformation = 0x10;

// The modification time (NTFS file time, value offset 8) of a fixed-up record;
// nothing when the attribute is missing or its value too short.
std::optional<std::int64_t> FindModificationTime(disk::ByteView record);

} // namespace qr::ntfs
