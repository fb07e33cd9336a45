#include "exfat/BootRegion.h"

#include <algorithm>
#include <vector>

namespace qr::exfat {

namespace {

void say(std::string* why, const char* text) {
    if (why)
        *why = text;
}

} // namespace

bool HasExfatName(disk::ByteView sector) {
    return sector.matches(3, "EXFAT   ");
}

std::optional<ExfatBootSector> DecodeExfatBootSector(disk::ByteView s, std::uint64_t volumeSectors,
                                                     std::string* why) {
    if (!s.has(0, 512)) {
        say(why, "the boot sector is short");
        return std::nullopt;
    }
    if (!HasExfatName(s)) {
        say(why, "the boot sector does not name itself EXFAT");
        return std::nullopt;
    }
    if (s.u16(510) != 0xAA55) {
        say(why, "no boot signature 55 AA");
        return std::nullopt;
    }
    // Bytes 11 to 63 (the BIOS parameter block of older systems) must be zero.
    for (std::uint64_t i = 11; i < 64; ++i)
        if (s.u8(i) != 0) {
            say(why, "the old parameter block is not zero");
            return std::nullopt;
        }
    ExfatBootSector b;
    b.volumeLength = s.u64(72);
    b.fatOffset = s.u32(80);
    b.fatLength = s.u32(84);
    b.heapOffset = s.u32(88);
    b.clusterCount = s.u32(92);
    b.rootCluster = s.u32(96);
    b.bytesPerSectorShift = s.u8(108);
    b.sectorsPerClusterShift = s.u8(109);
    b.fatCount = s.u8(110);
    if (b.bytesPerSectorShift < 9 || b.bytesPerSectorShift > 12 ||
        b.sectorsPerClusterShift > 25 - b.bytesPerSectorShift) {
        say(why, "the sector or cluster shift is out of range");
        return std::nullopt;
    }
    if (b.fatCount != 1 && b.fatCount != 2) {
        say(why, "the FAT count is neither 1 nor 2");
        return std::nullopt;
    }
    const std::uint64_t scale = std::uint64_t{1} << (b.bytesPerSectorShift - 9);
    // The volume's length in 512-byte sectors may not pass the partition's.
    const std::uint64_t ownSectors = volumeSectors / scale;
    const std::uint64_t length = std::min(b.volumeLength, ownSectors);
    const std::uint64_t fatEnd =
        std::uint64_t{b.fatOffset} + std::uint64_t{b.fatLength} * b.fatCount;
    if (b.fatOffset < 24 || b.fatLength == 0 || fatEnd > length) {
        say(why, "the FAT lies outside the volume");
        return std::nullopt;
    }
    if (b.heapOffset < fatEnd || b.heapOffset >= length) {
        say(why, "the cluster heap lies outside the volume");
        return std::nullopt;
    }
    if (b.clusterCount == 0 || b.clusterCount > 0xFFFFFFF5u ||
        std::uint64_t{b.clusterCount} + 2 > std::uint64_t{b.fatLength}
                                                << (b.bytesPerSectorShift - 2)) {
        say(why, "the cluster count does not fit the FAT");
        return std::nullopt;
    }
    if (b.rootCluster < 2 || b.rootCluster - 2 >= b.clusterCount) {
        say(why, "the root directory's cluster lies outside the heap");
        return std::nullopt;
    }
    return b;
}

std::uint32_t ExfatBootChecksum(disk::ByteView region, std::uint32_t sectorBytes) {
    const std::uint64_t length =
        std::min<std::uint64_t>(region.size(), std::uint64_t{sectorBytes} * 11);
    std::uint32_t sum = 0;
    for (std::uint64_t i = 0; i < length; ++i) {
        if (i == 106 || i == 107 || i == 112)
            continue;
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + region.u8(i);
    }
    return sum;
}

bool ExfatBootChecksumHolds(disk::ByteView region, std::uint32_t sectorBytes) {
    const std::uint64_t last = std::uint64_t{sectorBytes} * 11;
    if (!region.has(last, sectorBytes))
        return false;
    const std::uint32_t sum = ExfatBootChecksum(region, sectorBytes);
    for (std::uint64_t i = 0; i < sectorBytes; i += 4)
        if (region.u32(last + i) != sum)
            return false;
    return true;
}

ExfatGeometry ExfatGeometryOf(const ExfatBootSector& boot, std::uint64_t volumeStart,
                              std::uint64_t volumeSectors) {
    const std::uint64_t scale = std::uint64_t{1} << (boot.bytesPerSectorShift - 9);
    ExfatGeometry g;
    g.volumeStart = volumeStart;
    g.volumeEnd = volumeStart + std::min(volumeSectors / scale, boot.volumeLength) * scale;
    g.fatStart = volumeStart + std::uint64_t{boot.fatOffset} * scale;
    g.fatSectors = std::uint64_t{boot.fatLength} * scale;
    g.heapStart = volumeStart + std::uint64_t{boot.heapOffset} * scale;
    g.sectorsPerCluster = static_cast<std::uint32_t>(scale << boot.sectorsPerClusterShift);
    const std::uint64_t fit =
        g.volumeEnd > g.heapStart ? (g.volumeEnd - g.heapStart) / g.sectorsPerCluster : 0;
    g.clusterCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(boot.clusterCount, fit));
    g.rootCluster = boot.rootCluster;
    return g;
}

namespace {

// The region at `at` when its boot sector decodes (with `shift` as its sector size,
// when given) and its checksum holds.
std::optional<ExfatGeometry> tryRegion(disk::SectorSource& source, std::uint64_t at,
                                       std::uint64_t volumeStart, std::uint64_t volumeSectors,
                                       std::uint32_t shift, std::string& why) {
    std::vector<unsigned char> first(512);
    source.readSectors(at, 1, first.data());
    const auto boot = DecodeExfatBootSector({first.data(), first.size()}, volumeSectors, &why);
    if (!boot)
        return std::nullopt;
    if (shift != 0 && boot->bytesPerSectorShift != shift) {
        why = "the sector size does not match the backup's place";
        return std::nullopt;
    }
    const std::uint32_t sectorBytes = 1u << boot->bytesPerSectorShift;
    std::vector<unsigned char> region(std::size_t{sectorBytes} * kExfatBootRegionSectors);
    source.readSectors(at, static_cast<std::uint32_t>(region.size() / 512), region.data());
    if (!ExfatBootChecksumHolds({region.data(), region.size()}, sectorBytes)) {
        why = "the boot checksum does not hold";
        return std::nullopt;
    }
    return ExfatGeometryOf(*boot, volumeStart, volumeSectors);
}

} // namespace

ExfatBootRegionResult ReadExfatBootRegion(disk::SectorSource& source, std::uint64_t volumeStart,
                                          std::uint64_t volumeSectors) {
    ExfatBootRegionResult result;
    std::string whyMain, whyBackup;
    result.geometry = tryRegion(source, volumeStart, volumeStart, volumeSectors, 0, whyMain);
    // The backup lies twelve of the volume's sectors behind the main region; its own
    // boot sector tells which sector size put it there.
    for (std::uint32_t shift = 9; shift <= 12 && !result.geometry; ++shift) {
        const std::uint64_t at =
            volumeStart + (std::uint64_t{kExfatBootRegionSectors} << (shift - 9));
        std::string why;
        result.geometry = tryRegion(source, at, volumeStart, volumeSectors, shift, why);
        result.fromBackup = result.geometry.has_value();
        if (shift == 9)
            whyBackup = why;
    }
    if (!result.geometry)
        result.why = "main boot region: " + whyMain + "; backup: " + whyBackup;
    return result;
}

void StoreExfatGeometry(const ExfatGeometry& g, volume::VolumeParams& p) {
    p.sectorsPerCluster = g.sectorsPerCluster;
    p.firstFat = static_cast<std::uint32_t>(g.fatStart);
    p.sectorsPerFat = static_cast<std::uint32_t>(g.fatSectors);
    p.cluster0Start = static_cast<std::uint32_t>(g.heapStart);
    p.rootStart = g.rootCluster;
    p.reservedSectors = static_cast<std::uint32_t>(g.fatStart - g.volumeStart);
}

std::optional<ExfatGeometry> ExfatGeometryFromParams(const volume::VolumeParams& p) {
    if (p.sectorsPerCluster == 0 || p.cluster0Start <= p.partitionStart ||
        p.cluster0Start > p.partitionEnd || p.sectorsPerFat == 0)
        return std::nullopt;
    ExfatGeometry g;
    g.volumeStart = p.partitionStart;
    g.volumeEnd = p.partitionEnd + 1;
    g.fatStart = p.firstFat;
    g.fatSectors = p.sectorsPerFat;
    g.heapStart = p.cluster0Start;
    g.sectorsPerCluster = p.sectorsPerCluster;
    // The FAT holds an entry per cluster (and two before the first).
    const std::uint64_t byFat = g.fatSectors * 128 - 2;
    const std::uint64_t byVolume = (g.volumeEnd - g.heapStart) / g.sectorsPerCluster;
    g.clusterCount = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({byFat, byVolume, std::uint64_t{0xFFFFFFF5u}}));
    g.rootCluster = p.rootStart;
    return g;
}

} // namespace qr::exfat
