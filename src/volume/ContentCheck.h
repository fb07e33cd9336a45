#pragma once
// Whether the first bytes of a recovered file are what its extension promises. A
// deleted photo whose clusters were taken by another file, or a file read with the
// wrong cluster size, no longer begins with its format's signature: the save counts it
// as uncertain and the browse step calls it overwritten. Extensions without a
// signature we know are never judged.
#include "disk/ByteView.h"

#include <cstddef>
#include <string_view>

namespace qr::volume {

enum class ContentVerdict {
    Fits,        // the bytes begin with the format's signature
    Contradicts, // the extension names a known format and the bytes are something else
    Unknown,     // no known format for the extension, or too few bytes to tell
};

// How many leading bytes CheckContent looks at; fewer may be handed over for a file
// that is shorter.
inline constexpr std::size_t kContentCheckBytes = 16;

// `name` is the file's name (its extension after the last dot counts, in any case);
// `head` its first bytes.
ContentVerdict CheckContent(std::string_view name, disk::ByteView head);

// True when CheckContent can judge files of this name at all.
bool HasContentSignature(std::string_view name);

} // namespace qr::volume
