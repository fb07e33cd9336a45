#pragma once
// The chunks of a PNG picture: the signature, IHDR first (with its CRC checked), then
// chunks by their lengths up to IEND, which ends the picture.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikePng(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> PngLength(const FileBytesReader& read, std::uint64_t limit);

// The CRC-32 PNG keeps behind each chunk (over its type and data).
std::uint32_t PngCrc(const unsigned char* bytes, std::size_t size);

} // namespace qr::raw
