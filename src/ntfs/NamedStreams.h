#pragma once
// The named data streams of a file record (alternate data streams, "file:stream"): data
// attributes with a name, beside the file's unnamed one.
#include "disk/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qr::ntfs {

struct NamedStream {
    std::string name; // UTF-8
    std::uint64_t size = 0;
};

// A file holds at most this many streams as far as the listing goes.
inline constexpr std::size_t kMaxNamedStreams = 64;

// The named data attributes of `record` in record order, each once: their first extents
// (resident, or non-resident from VCN 0) give the size. Streams whose first extent lies
// in an extension record are not found.
std::vector<NamedStream> FindNamedStreams(disk::ByteView record);

} // namespace qr::ntfs
