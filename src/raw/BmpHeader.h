#pragma once
// The header of a BMP picture: "BM", the file's size, zero reserved words, the pixel
// data's offset and an info header of a known size whose width, height and bit depth
// make pixel rows that fit inside the file size. The picture is that size long.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeBmp(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> BmpLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
