#pragma once
// Whether the last bytes of a recovered file end the way its extension's format ends:
// a JPEG with its end-of-image marker, a PNG with its IEND chunk, a GIF with its
// trailer, a PDF with %%EOF, a ZIP container with its end-of-directory record. Two
// readings of a deleted file that begin alike (its first clusters) are told apart by
// how they end. Formats without a fixed ending are never judged.
#include "disk/ByteView.h"
#include "volume/ContentCheck.h"

#include <cstddef>
#include <string_view>

namespace qr::volume {

// How many trailing bytes CheckEnding looks at; fewer for a shorter file.
inline constexpr std::size_t kEndingCheckBytes = 1024;

// `name` as for CheckContent; `tail` the file's last bytes (the whole file when it is
// shorter than kEndingCheckBytes).
ContentVerdict CheckEnding(std::string_view name, disk::ByteView tail);

} // namespace qr::volume
