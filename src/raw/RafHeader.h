#pragma once
// The header of a Fujifilm RAF camera raw file: "FUJIFILMCCD-RAW ", the camera's name,
// then the offsets and lengths of the embedded JPEG, the CFA header and the CFA data
// (big-endian). The file ends behind the last of the three.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeRaf(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> RafLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
