#pragma once
// An MP3 sound: an optional ID3v2 tag (its syncsafe size, and its footer when flagged),
// then MPEG audio frames walked by the length each header gives (bit rate, sample rate,
// padding), all of one version, layer and sample rate, then an optional ID3v1 "TAG".
// A file without an ID3v2 tag must start with a run of such frames to be taken; one
// whose first frame is a Xing or Info frame must run to the length it records.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeMp3(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> Mp3Length(const FileBytesReader& read, std::uint64_t limit);

// The bytes of the frame whose header is `header`, or 0 when it is not a frame header.
std::uint32_t Mp3FrameBytes(std::uint32_t header);

} // namespace qr::raw
