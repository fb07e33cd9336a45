#pragma once
// A file-bytes reader over bytes in memory, for the format readers in tests and fuzz
// targets: a read outside the bytes fails.
#include "raw/CompoundDocument.h" // FileBytesReader

#include <cstddef>
#include <cstring>

namespace qr::test {

inline raw::FileBytesReader ReaderOf(const unsigned char* data, std::size_t size) {
    return [data, size](std::uint64_t offset, std::uint32_t length, unsigned char* out) {
        if (offset > size || length > size - offset)
            return false;
        std::memcpy(out, data + offset, length);
        return true;
    };
}

} // namespace qr::test
