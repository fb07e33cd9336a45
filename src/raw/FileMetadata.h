#pragma once
// What a found file says about itself that can name it: a photo's EXIF DateTimeOriginal
// ("2021:06:01 12:09:33", in a JPEG's APP1 segment, a HEIF picture's Exif item or a
// TIFF-based raw file's EXIF directory), a PDF document's /Title and the dc:title of an
// Office Open file (docProps/core.xml) or an OpenDocument file (meta.xml). Reads are
// bounded by the file's length.
#include "raw/CarvedFormats.h"

#include <optional>
#include <string>

namespace qr::raw {

// "2021-06-01 12-09-33" from the photo's DateTimeOriginal; nullopt without one.
std::optional<std::string> PhotoTakenAt(RawKind kind, const FileBytesReader& read,
                                        std::uint64_t bytes);

// The document's title, made fit for a file name; nullopt without one.
std::optional<std::string> DocumentTitle(RawKind kind, const FileBytesReader& read,
                                         std::uint64_t bytes);

} // namespace qr::raw
