#pragma once
// LZNT1, the compression of NTFS compressed files: a compression unit is a series of
// chunks, each giving at most 4096 bytes, stored as they are or as LZ77 tokens.
#include "disk/ByteView.h"

#include <cstddef>
#include <span>

namespace qr::ntfs {

struct Lznt1Result {
    std::size_t produced = 0; // bytes written to the output
    bool damaged = false;     // a chunk or token pointed outside its data
};

// Decompresses `input` into `output` (the compression unit's size). A chunk that gives
// less than 4096 bytes and is followed by another is padded with zeros, as the file
// system does; output beyond the last chunk is left as it is.
Lznt1Result DecompressLznt1(disk::ByteView input, std::span<unsigned char> output);

} // namespace qr::ntfs
