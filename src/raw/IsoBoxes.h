#pragma once
// The top-level boxes of an MP4, MOV or 3GP video: `ftyp` first with a brand of
// printable letters, then boxes of known types by their sizes (32-bit, or the 64-bit
// size behind a size of 1). The video ends behind the last known box; it must hold a
// `moov`. A box that claims the rest of the file (size 0) or runs behind the limit
// leaves the length unknown.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeIsoVideo(const unsigned char* bytes, std::size_t size);

// ".MOV" for QuickTime, ".3GP" for 3GPP brands, else ".MP4".
std::optional<MediaLength> IsoVideoLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
