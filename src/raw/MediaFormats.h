#pragma once
// The picture and video formats of the raw search: the quick test of a sector's first
// bytes that makes it a candidate, and the reader that walks the candidate's structure
// to its length.
#include "raw/MediaLength.h"
#include "raw/RawSignatures.h"

#include <array>

namespace qr::raw {

// The kind whose header stands at the start of `bytes` (a sector or more), if any.
std::optional<RawKind> MediaHeaderKind(const unsigned char* bytes, std::size_t size);

// The length of a file of `kind` (a media kind) that starts at offset 0.
std::optional<MediaLength> MediaFileLength(RawKind kind, const FileBytesReader& read,
                                           std::uint64_t limit);

} // namespace qr::raw
