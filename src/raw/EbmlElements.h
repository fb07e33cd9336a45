#pragma once
// A Matroska or WebM file: the EBML header (its DocType "matroska" or "webm"), then the
// Segment, taken by its element size; a Segment of unknown size is walked through its
// top-level children (clusters, cues, tags...) by theirs. ".MKV" or ".WEBM" after the
// DocType.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikeMatroska(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> MatroskaLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
