#pragma once
// How far the coded data of a baseline JPEG holds together, by decoding it with
// libjpeg-turbo: the rows decoded before the decoder first met corrupt data (a marker
// inside the scan, a bad Huffman code, bytes before EOI), and whether every row and the
// EOI came without one. Progressive pictures are not judged: their rows appear only
// once every scan has been read.
#include "raw/MediaLength.h"

#include <chrono>
#include <cstdint>

namespace qr::raw {

struct JpegDecodeLimits {
    // Rows skipped (entropy-decoded, not drawn) before rows are drawn: known-good rows.
    std::uint32_t skipRows = 0;
    // The decoding gives up (not whole) after this long.
    std::chrono::milliseconds time{250};
    // Stop at the first corrupt data instead of decoding on.
    bool stopAtWarning = true;
};

struct JpegDecoding {
    bool opened = false;        // a baseline picture whose header and frame were read
    bool whole = false;         // every row and the EOI without corrupt data
    bool warned = false;        // corrupt data was met
    std::uint32_t rows = 0;     // the picture's height in rows
    std::uint32_t goodRows = 0; // rows done before the corrupt data
    std::uint64_t scanAt = 0;   // bytes before the first scan's coded data
    std::uint64_t brokenAt = 0; // bytes the decoder had taken when it met it
    std::uint64_t end = 0;      // whole: the offset behind the EOI
};

// Decodes the JPEG that starts at offset 0 of `read`, never reading behind `limit`.
JpegDecoding DecodeJpeg(const FileBytesReader& read, std::uint64_t limit,
                        const JpegDecodeLimits& limits);

} // namespace qr::raw
