#pragma once
// The top-level boxes of an ISO-BMFF file (MP4, MOV, 3GP, M4A, CR3, HEIC): `ftyp` first
// with a brand of printable letters, then boxes of known types by their sizes (32-bit,
// or the 64-bit size behind a size of 1). The file ends behind the last known box; a
// video must hold a `moov`, a HEIF picture a `meta`. A box that claims the rest of the
// file (size 0) or runs behind the limit leaves the length unknown. The major brand
// tells an M4A sound ("M4A ") or a Canon CR3 raw file ("crx ") from a video.
#include "raw/MediaLength.h"

#include <string_view>

namespace qr::raw {

bool LooksLikeIsoVideo(const unsigned char* bytes, std::size_t size);
// The box types that stand at the top level of a video file (`ftyp` only first).
bool IsTopLevelBox(const unsigned char* type);

// ".MOV" for QuickTime, ".3GP" for 3GPP brands, else ".MP4".
std::string_view IsoVideoExtension(const unsigned char* brand);
std::optional<MediaLength> IsoVideoLength(const FileBytesReader& read, std::uint64_t limit);

// A HEIF brand ("heic", "heix", "mif1", ...): ".HEIC" for the HEVC ones, else ".HEIF".
bool LooksLikeHeif(const unsigned char* bytes, std::size_t size);
std::optional<MediaLength> HeifLength(const FileBytesReader& read, std::uint64_t limit);

// Validators of a measured video: ".M4A" and ".CR3" by the major brand.
std::optional<std::string_view> AudioBrand(const FileBytesReader& read, std::uint64_t bytes);
std::optional<std::string_view> CanonRawBrand(const FileBytesReader& read, std::uint64_t bytes);

} // namespace qr::raw
