#pragma once
// A PDF document: "%PDF-1." or "%PDF-2." at its start, and its end at the last "%%EOF"
// that a valid cross-reference precedes: the "startxref" in front of it names an offset
// before it where an "xref" table or a cross-reference stream object stands.
// Incremental updates follow one another, so after each valid "%%EOF" the search goes
// on only when PDF text follows it at once.
#include "raw/MediaLength.h"

namespace qr::raw {

bool LooksLikePdf(const unsigned char* bytes, std::size_t size);

std::optional<MediaLength> PdfLength(const FileBytesReader& read, std::uint64_t limit);

} // namespace qr::raw
