#pragma once
// The rows of the formats table as the sector-start search uses them: which rows a
// sector's first byte can start, the header test, the length finder and the kind a
// measured file is written as.
#include "raw/MediaLength.h"
#include "raw/RawSignatures.h"

#include <array>
#include <vector>

namespace qr::raw {

using RawKindSet = std::array<bool, kRawKinds>;

// The rows with a header test whose header may start with `lead`, in the order they
// are tried: those of that first byte, then those of any first byte.
const std::vector<RawKind>& HeaderRows(unsigned char lead);

// The first kind whose header stands at the start of `bytes` (a sector or more), if any.
std::optional<RawKind> MediaHeaderKind(const unsigned char* bytes, std::size_t size);

// The length of a file of `kind` (a media kind) that starts at offset 0; for a row that
// refines another, the parent's length when its validator accepts the file.
std::optional<MediaLength> MediaFileLength(RawKind kind, const FileBytesReader& read,
                                           std::uint64_t limit);

// True when `row` or a row that refines it is ticked.
bool RowWanted(RawKind row, const RawKindSet& kinds);

struct ClassifiedFile {
    RawKind kind;
    std::string_view extension; // empty: the row's own
};

// The kind a file found through `row` is written as: the first ticked row refining it
// whose validator accepts the file, else `row` itself when ticked, else none.
std::optional<ClassifiedFile> ClassifyFile(RawKind row, const RawKindSet& kinds,
                                           const FileBytesReader& read, std::uint64_t bytes);

} // namespace qr::raw
