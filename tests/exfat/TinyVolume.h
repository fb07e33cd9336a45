#pragma once
// A small exFAT volume built byte by byte in memory, for decoder and walk tests with
// hostile values: 512-byte sectors, one sector per cluster, the FAT at sector 24 and
// the heap at sector 32, the root directory in cluster 2.
#include "exfat/EntrySet.h"
#include "exfat/Geometry.h"
#include "support/MemorySource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qr::exfat::test {

inline constexpr std::uint32_t kVolumeSectors = 256;
inline constexpr std::uint32_t kClusters = 200;

// A boot sector whose fields hold for the tiny volume.
inline std::vector<unsigned char> BootSectorBytes() {
    std::vector<unsigned char> s(512, 0);
    const auto put = [&](std::size_t at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            s[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    s[0] = 0xEB, s[1] = 0x76, s[2] = 0x90;
    std::memcpy(&s[3], "EXFAT   ", 8);
    put(72, kVolumeSectors, 8);
    put(80, 24, 4); // FAT offset
    put(84, 8, 4);  // FAT length
    put(88, 32, 4); // heap offset
    put(92, kClusters, 4);
    put(96, 2, 4); // root cluster
    s[108] = 9;    // 512-byte sectors
    s[109] = 0;    // one sector per cluster
    s[110] = 1;    // one FAT
    put(510, 0xAA55, 2);
    return s;
}

// Twelve sectors: the boot sector, ten empty ones and the checksum sector.
inline std::vector<unsigned char> BootRegionBytes(const std::vector<unsigned char>& boot) {
    std::vector<unsigned char> region(12 * 512, 0);
    std::copy(boot.begin(), boot.end(), region.begin());
    const std::uint32_t sum = exfat::ExfatBootChecksum({region.data(), region.size()}, 512);
    for (std::size_t i = 11 * 512; i < 12 * 512; i += 4)
        for (int b = 0; b < 4; ++b)
            region[i + b] = static_cast<unsigned char>(sum >> (8 * b));
    return region;
}

struct SetSpec {
    std::u16string name = u"file.txt";
    std::uint16_t attributes = 0x20;
    std::uint32_t firstCluster = 0;
    std::uint64_t dataLength = 0;
    std::uint64_t validLength = UINT64_MAX; // the data length unless given
    std::uint8_t streamFlags = 0x01;
    bool deleted = false;
    std::uint32_t modified = 0x5A8A6000; // 2025-04-10 12:00:00
};

// A file entry set with a correct checksum.
inline std::vector<unsigned char> EntrySetBytes(const SetSpec& spec) {
    const std::size_t nameEntries = (spec.name.size() + 14) / 15;
    std::vector<unsigned char> e((2 + nameEntries) * 32, 0);
    const auto put = [&](std::size_t at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            e[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    e[0] = kFileEntry;
    e[1] = static_cast<unsigned char>(1 + nameEntries);
    put(4, spec.attributes, 2);
    put(8, spec.modified, 4);
    put(12, spec.modified, 4);
    e[32] = kStreamEntry;
    e[33] = spec.streamFlags;
    e[35] = static_cast<unsigned char>(spec.name.size());
    put(40, spec.validLength == UINT64_MAX ? spec.dataLength : spec.validLength, 8);
    put(52, spec.firstCluster, 4);
    put(56, spec.dataLength, 8);
    for (std::size_t n = 0; n < nameEntries; ++n) {
        e[64 + 32 * n] = kNameEntry;
        for (std::size_t u = 0; u < 15 && n * 15 + u < spec.name.size(); ++u)
            put(64 + 32 * n + 2 + 2 * u, spec.name[n * 15 + u], 2);
    }
    put(2, EntrySetChecksum({e.data(), e.size()}, static_cast<std::uint32_t>(e.size() / 32), false),
        2);
    if (spec.deleted)
        for (std::size_t i = 0; i < e.size(); i += 32)
            e[i] &= 0x7F;
    return e;
}

class TinyVolume {
public:
    TinyVolume() : source(std::vector<unsigned char>(kVolumeSectors * 512, 0)) {
        const auto region = BootRegionBytes(BootSectorBytes());
        std::copy(region.begin(), region.end(), source.bytes.begin());
        std::copy(region.begin(), region.end(), source.bytes.begin() + 12 * 512);
        setFat(0, 0xFFFFFFF8);
        setFat(1, 0xFFFFFFFF);
        setFat(2, 0xFFFFFFFF); // the root: one cluster
    }

    Geometry geometry() const {
        Geometry g;
        g.volumeStart = 0;
        g.volumeEnd = kVolumeSectors;
        g.fatStart = 24;
        g.fatSectors = 8;
        g.heapStart = 32;
        g.sectorsPerCluster = 1;
        g.clusterCount = kClusters;
        g.rootCluster = 2;
        return g;
    }

    void setFat(std::uint32_t cluster, std::uint32_t next) {
        for (int b = 0; b < 4; ++b)
            source.bytes[24 * 512 + cluster * 4 + b] = static_cast<unsigned char>(next >> (8 * b));
    }
    // Bytes at `offset` of cluster `cluster`.
    void put(std::uint32_t cluster, std::size_t offset, const std::vector<unsigned char>& bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  source.bytes.begin() + (32 + cluster - 2) * 512 + offset);
    }
    void fill(std::uint32_t cluster, const std::string& text) {
        std::vector<unsigned char> bytes(512);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<unsigned char>(text[i % text.size()]);
        put(cluster, 0, bytes);
    }

    qr::test::MemorySource source;
};

} // namespace qr::exfat::test
