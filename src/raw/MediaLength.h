#pragma once
// What a picture or video reader tells about a file it has walked: its length in
// bytes and the extension its content calls for. Every reader reads the file through a
// FileBytesReader (offset 0 is the file's first byte) and never behind `limit` bytes;
// a structure it cannot follow to its end gives nullopt and nothing is written.
#include "raw/CompoundDocument.h" // FileBytesReader

#include <cstdint>
#include <optional>
#include <string_view>

namespace qr::raw {

struct MediaLength {
    std::uint64_t bytes = 0;
    std::string_view extension; // with its dot, such as ".JPG"
};

// Big-endian fields, as pictures and videos keep them.
inline std::uint16_t Be16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}
inline std::uint64_t Be64(const unsigned char* p) {
    return std::uint64_t{Be32(p)} << 32 | Be32(p + 4);
}

// Little-endian fields, as RIFF, BMP and GIF keep them.
inline std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t{Le16(p)} | std::uint32_t{Le16(p + 2)} << 16;
}

} // namespace qr::raw
