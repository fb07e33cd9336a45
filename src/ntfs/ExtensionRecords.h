#pragma once
// A file whose attributes do not fit in its base record keeps an attribute list that
// names the extension records holding the rest. This reads the list (resident or not)
// and collects the extents of one attribute across those records.
#include "disk/SectorSource.h"
#include "ntfs/AttributeList.h"
#include "ntfs/NtfsGeometry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qr::ntfs {

// Largest attribute list read (a list of this size already names thousands of extents).
inline constexpr std::uint64_t kMaxAttributeListBytes = 1 << 20;

// The entries of the record's first attribute list; nothing when it has none.
std::optional<std::vector<AttributeListEntry>>
LoadAttributeList(disk::SectorSource& source, const NtfsGeometry& geometry, disk::ByteView record);

} // namespace qr::ntfs
