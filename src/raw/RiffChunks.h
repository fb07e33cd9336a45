#pragma once
// RIFF forms. An AVI video: "RIFF", its length and "AVI " with the "hdrl" list first;
// an AVI of more than 1 GiB goes on with "RIFF" ... "AVIX" forms, each taken by its own
// length. A WebP picture ("WEBP" with a VP8, VP8L or VP8X chunk first) and a WAV sound
// ("WAVE") are one form each, as long as its length says.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeAvi(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> AviLength(const FileBytesReader& read, std::uint64_t limit);

bool LooksLikeWebP(const unsigned char* bytes, std::size_t size);
std::optional<MediaLength> WebPLength(const FileBytesReader& read, std::uint64_t limit);

bool LooksLikeWav(const unsigned char* bytes, std::size_t size);
std::optional<MediaLength> WavLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
