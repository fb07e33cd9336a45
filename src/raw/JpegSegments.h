#pragma once
// The marker segments of a JPEG picture and where it ends: the segments are followed
// by their lengths (so a thumbnail inside an APPn segment is passed over whole), the
// entropy-coded data behind each SOS is scanned for the next marker (stuffed FF 00,
// restart markers and fill bytes belong to the data), and the picture ends with the
// first EOI that follows a complete scan.
#include "raw/MediaLength.h"

namespace qr::raw {

// A JPEG longer than this is taken for damage.
inline constexpr std::uint64_t kMaxJpegBytes = 256ull << 20;

// The first bytes of a JPEG: SOI followed by the marker of a segment that may open one.
bool LooksLikeJpeg(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> JpegLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
