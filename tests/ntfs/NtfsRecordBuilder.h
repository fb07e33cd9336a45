#pragma once
// Builds MFT file records byte by byte for decoder tests: header, attributes and the
// update sequence array that hides the sector ends as the file system writes them.
#include "ntfs/MftRunList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qr::ntfs::testing {

inline void put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void put32(unsigned char* p, std::uint32_t v) {
    put16(p, static_cast<std::uint16_t>(v));
    put16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void put64(unsigned char* p, std::uint64_t v) {
    put32(p, static_cast<std::uint32_t>(v));
    put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline std::vector<unsigned char> utf16(const std::u16string& text) {
    std::vector<unsigned char> out;
    for (char16_t c : text) {
        out.push_back(static_cast<unsigned char>(c));
        out.push_back(static_cast<unsigned char>(c >> 8));
    }
    return out;
}

// A file-name value: parent, creation time, name space and name.
inline std::vector<unsigned char> fileNameValue(std::uint32_t parent, const std::u16string& name,
                                                std::uint8_t space = 1, std::int64_t created = 0) {
    std::vector<unsigned char> v(0x42, 0);
    put64(v.data(), parent);
    put64(v.data() + 8, static_cast<std::uint64_t>(created));
    v[0x40] = static_cast<unsigned char>(name.size());
    v[0x41] = space;
    const auto units = utf16(name);
    v.insert(v.end(), units.begin(), units.end());
    return v;
}

class RecordBuilder {
public:
    explicit RecordBuilder(std::uint8_t flags = 1, std::uint32_t baseRecord = 0) {
        std::memcpy(bytes_.data(), "FILE", 4);
        put16(&bytes_[4], 0x30); // update sequence array
        put16(&bytes_[6], 3);
        put16(&bytes_[0x14], 0x38);
        bytes_[0x16] = flags;
        put32(&bytes_[0x1C], 1024);
        put32(&bytes_[0x20], baseRecord);
        at_ = 0x38;
    }

    RecordBuilder& resident(std::uint32_t type, const std::vector<unsigned char>& value,
                            const std::u16string& name = u"") {
        const std::size_t nameAt = 0x18;
        const std::size_t valueAt = (nameAt + name.size() * 2 + 7) & ~std::size_t{7};
        const std::size_t length = (valueAt + value.size() + 7) & ~std::size_t{7};
        unsigned char* a = &bytes_[at_];
        put32(a, type);
        put32(a + 4, static_cast<std::uint32_t>(length));
        a[9] = static_cast<unsigned char>(name.size());
        put16(a + 0x0A, static_cast<std::uint16_t>(nameAt));
        put32(a + 0x10, static_cast<std::uint32_t>(value.size()));
        put16(a + 0x14, static_cast<std::uint16_t>(valueAt));
        const auto units = utf16(name);
        std::copy(units.begin(), units.end(), a + nameAt);
        std::copy(value.begin(), value.end(), a + valueAt);
        at_ += length;
        return *this;
    }

    RecordBuilder& nonResident(std::uint32_t type, const std::vector<unsigned char>& runs,
                               std::uint64_t realSize, std::uint64_t lowestVcn = 0,
                               std::uint16_t flags = 0, std::uint16_t compressionUnit = 0,
                               const std::u16string& name = u"") {
        const std::size_t runsAt = (0x40 + name.size() * 2 + 7 + 8) & ~std::size_t{7};
        const std::size_t length = (runsAt + runs.size() + 7) & ~std::size_t{7};
        unsigned char* a = &bytes_[at_];
        put32(a, type);
        put32(a + 4, static_cast<std::uint32_t>(length));
        a[8] = 1;
        a[9] = static_cast<unsigned char>(name.size());
        put16(a + 0x0A, 0x40);
        const auto units = utf16(name);
        std::copy(units.begin(), units.end(), a + 0x40);
        put16(a + 0x0C, flags);
        put64(a + 0x10, lowestVcn);
        put16(a + 0x20, static_cast<std::uint16_t>(runsAt));
        put16(a + 0x22, compressionUnit);
        put64(a + 0x30, realSize);
        put64(a + 0x38, realSize);
        std::copy(runs.begin(), runs.end(), a + runsAt);
        at_ += length;
        return *this;
    }

    // The record as it lies on disk: the end marker, and the sector ends moved into
    // the update sequence array.
    RecordBytes disk() const {
        RecordBytes out = bytes_;
        put32(&out[at_], 0xFFFFFFFF);
        put16(&out[0x30], 0x0101); // check value
        for (int i = 0; i < 2; ++i) {
            std::memcpy(&out[0x32 + 2 * i], &out[510 + 512 * i], 2);
            put16(&out[510 + 512 * i], 0x0101);
        }
        return out;
    }
    RecordBytes& raw() { return bytes_; }

private:
    RecordBytes bytes_{};
    std::size_t at_ = 0;
};

} // namespace qr::ntfs::testing
