#pragma once
// The geometry record the detector leaves for one BIOS unit ("DP" in the scratch
// folder): three fields, each a width byte W, one unused byte, W bytes of
// little-endian value and three unused bytes, in the order heads, sectors per track,
// cylinders. Heads and sectors per track may be up to 4 bytes wide (their low 16 bits
// count); the cylinders are 2 or 4 bytes wide.
#include "disk/ByteView.h"

#include <cstdint>
#include <vector>

namespace qr::disk {

// What the record told; a value it did not tell reads 0 (unknown).
struct GeometryRecord {
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t cylinders = 0;
    // False when the record was cut short or a width was out of range.
    bool complete = false;

    // cylinders x heads x sectors per track x 512, in 64 bits; 0 (unknown) when any is
    // unknown or the product does not fit: a wrapped size would be a wrong one.
    std::uint64_t sizeBytes() const {
        std::uint64_t bytes = 0;
        if (__builtin_mul_overflow(std::uint64_t{cylinders} * heads,
                                   std::uint64_t{sectorsPerTrack} * 512, &bytes))
            return 0;
        return bytes;
    }
};

// Reads the record. A width above 4 for heads or sectors per track leaves that value
// and those after it unknown, as their place in the file is then unknown; a cylinder
// width other than 2 or 4 leaves the cylinders unknown. Bytes the file lacks read as
// unknown values.
GeometryRecord ReadGeometryRecord(ByteView bytes);

// The record as the detector writes it: heads and sectors per track 2 bytes wide,
// cylinders 2 bytes wide when they fit, else 4 (counts above 32 bits are capped).
std::vector<unsigned char> EncodeGeometryRecord(std::uint32_t heads, std::uint32_t sectorsPerTrack,
                                                std::uint64_t cylinders);

} // namespace qr::disk
