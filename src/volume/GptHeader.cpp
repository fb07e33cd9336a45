#include "volume/GptHeader.h"

#include "volume/Crc32.h"

#include <array>

namespace qr::volume {
namespace {

constexpr std::size_t kMinHeaderSize = 92;
constexpr std::size_t kCrcOffset = 16;

// The header CRC32 is taken over the header with its own CRC field as zeros.
std::uint32_t headerCrc(disk::ByteView sector, std::uint32_t size) {
    static constexpr std::array<unsigned char, 4> kZeros{};
    std::uint32_t crc = Crc32(sector.sub(0, kCrcOffset));
    crc = Crc32(disk::ByteView(kZeros.data(), kZeros.size()), crc);
    return Crc32(sector.sub(kCrcOffset + 4, size - kCrcOffset - 4), crc);
}

std::string arrayProblem(const GptHeader& h, std::uint64_t at, std::uint64_t diskSectors,
                         std::uint32_t sectorSize) {
    if (h.entrySize < 128 || h.entrySize % 8 != 0 || h.entrySize > kMaxGptEntrySize)
        return "gives an entry size of " + std::to_string(h.entrySize) + " bytes";
    if (h.arrayBytes() > kMaxGptArrayBytes)
        return "gives an entry count of " + std::to_string(h.entryCount);
    const std::uint64_t sectors = GptArraySectors(h, sectorSize);
    if (h.entriesSector == 0 || (h.entriesSector <= at && at - h.entriesSector < sectors))
        return "puts its entry array at " + SectorText(h.entriesSector) + ", over its own sectors";
    if (diskSectors != 0 &&
        (h.entriesSector >= diskSectors || sectors > diskSectors - h.entriesSector))
        return "puts its entry array at " + SectorText(h.entriesSector) + ", beyond the disk";
    return {};
}

} // namespace

std::uint64_t GptArraySectors(const GptHeader& header, std::uint32_t sectorSize) {
    return sectorSize == 0 ? 0 : (header.arrayBytes() + sectorSize - 1) / sectorSize;
}

GptHeaderCheck CheckGptHeader(disk::ByteView sector, std::uint64_t at, std::uint64_t diskSectors,
                              std::uint32_t sectorSize) {
    GptHeaderCheck check;
    if (!sector.matches(0, "EFI PART")) {
        check.problem = "has no GPT signature";
        return check;
    }
    const std::uint32_t size = sector.u32(12);
    if (size < kMinHeaderSize || size > sectorSize || !sector.has(0, size)) {
        check.problem = "has a header size of " + std::to_string(size) + " bytes";
        return check;
    }
    if (headerCrc(sector, size) != sector.u32(kCrcOffset)) {
        check.problem = "fails its header CRC32";
        return check;
    }
    GptHeader h;
    h.ownSector = sector.u64(24);
    h.alternateSector = sector.u64(32);
    h.firstUsable = sector.u64(40);
    h.lastUsable = sector.u64(48);
    h.entriesSector = sector.u64(72);
    h.entryCount = sector.u32(80);
    h.entrySize = sector.u32(84);
    h.entriesCrc = sector.u32(88);
    if (h.ownSector != at) {
        check.problem = "names " + SectorText(h.ownSector) + " as its own";
        return check;
    }
    check.problem = arrayProblem(h, at, diskSectors, sectorSize);
    if (check.problem.empty())
        check.header = h;
    return check;
}

} // namespace qr::volume
