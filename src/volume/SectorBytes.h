#pragma once
// One 512-byte sector as read from the medium, with the little-endian field readers
// the partition and boot-sector code uses. Every accessor is bounded by the sector.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qr::volume {

struct Sector {
    std::array<unsigned char, 512> bytes{};

    std::uint8_t u8(std::size_t offset) const { return offset < bytes.size() ? bytes[offset] : 0; }
    std::uint16_t u16(std::size_t offset) const {
        return static_cast<std::uint16_t>(u8(offset) | (u8(offset + 1) << 8));
    }
    std::uint32_t u32(std::size_t offset) const {
        return static_cast<std::uint32_t>(u16(offset)) |
               (static_cast<std::uint32_t>(u16(offset + 2)) << 16);
    }
    // True when the bytes at `offset` are exactly `text`.
    bool hasText(std::size_t offset, std::string_view text) const {
        return offset + text.size() <= bytes.size() &&
               std::memcmp(bytes.data() + offset, text.data(), text.size()) == 0;
    }
    // Both boot-sector signature bytes 0x55 0xAA at the end.
    bool hasBootSignature() const { return bytes[0x1FE] == 0x55 && bytes[0x1FF] == 0xAA; }
};

// Sectors per cluster as boot sectors may hold it: 1, 2, 4, ... 128.
inline bool IsSectorsPerCluster(std::uint32_t value) {
    return value >= 1 && value <= 128 && (value & (value - 1)) == 0;
}

// 512-byte sectors in one sector of `bytesPerSector` bytes as a FAT or NTFS boot sector
// gives it (512, 1024, 2048 or 4096); 0 for any other value. The engines count in
// 512-byte sectors: a volume of larger sectors has its sector fields scaled by this.
inline std::uint32_t SubSectorsPerSector(std::uint32_t bytesPerSector) {
    switch (bytesPerSector) {
    case 512:
    case 1024:
    case 2048:
    case 4096:
        return bytesPerSector / 512;
    default:
        return 0;
    }
}

} // namespace qr::volume
