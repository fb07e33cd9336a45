#pragma once
// The blocks of a GIF picture: the header and logical screen (with its colour table),
// then extensions and images, each followed by its data sub-blocks, up to the trailer
// byte that ends the picture. It must hold an image.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeGif(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> GifLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
