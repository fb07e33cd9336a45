#pragma once
// One entry of a Zip archive read out whole: stored, or deflated and inflated here.
// Reads are bounded by the archive and by a size the caller gives.
#include "raw/MediaLength.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qr::raw {

// The first `maxBytes` (or fewer) bytes of entry `name` of the archive of `bytes`
// bytes at offset 0; nullopt when it has no such entry, another compression, or data
// that does not inflate.
std::optional<std::string> ZipMemberBytes(const FileBytesReader& read, std::uint64_t bytes,
                                          std::string_view name, std::size_t maxBytes);

} // namespace qr::raw
