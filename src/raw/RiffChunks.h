#pragma once
// The RIFF form of an AVI video: "RIFF", its length and "AVI " with the "hdrl" list
// first; an AVI of more than 1 GiB goes on with "RIFF" ... "AVIX" forms, each taken by
// its own length.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeAvi(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> AviLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
