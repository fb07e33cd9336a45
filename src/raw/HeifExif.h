#pragma once
// Where the EXIF data of a HEIF picture lies: the `meta` box's item information
// (`iinf`) names the item of type "Exif", its location (`iloc`) gives the extent in the
// file, and the item starts with the offset of its TIFF header. Every count, size and
// offset is bounded by the meta box and the file.
#include "raw/MediaLength.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace qr::raw {

// The TIFF structure of the picture's EXIF item: its offset in the file and the end of
// the item; nullopt when there is none or it lies outside the file's `bytes`.
std::optional<std::pair<std::uint64_t, std::uint64_t>> HeifExifTiff(const FileBytesReader& read,
                                                                    std::uint64_t bytes);

} // namespace qr::raw
