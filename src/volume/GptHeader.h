#pragma once
// One GPT header sector judged on its own: signature, header size, header CRC32, the
// sector it names as its own, the entry size and count, and where its entry array
// lies. Nothing in it is believed before every check has passed.
#include "disk/ByteView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qr::volume {

// Bounds on what a header may ask to be read: entries of at most this size, and an
// entry array of at most this many bytes (the usual one is 16 KiB).
inline constexpr std::uint32_t kMaxGptEntrySize = 4096;
inline constexpr std::uint64_t kMaxGptArrayBytes = std::uint64_t{4} << 20;

struct GptHeader {
    std::uint64_t ownSector = 0;
    std::uint64_t alternateSector = 0;
    std::uint64_t firstUsable = 0;
    std::uint64_t lastUsable = 0;
    std::uint64_t entriesSector = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t entrySize = 0;
    std::uint32_t entriesCrc = 0;

    std::uint64_t arrayBytes() const { return std::uint64_t{entryCount} * entrySize; }
};

struct GptHeaderCheck {
    std::optional<GptHeader> header;
    std::string problem; // why it was refused, as a predicate ("fails its header CRC32")
};

// Judges `sector` (one whole sector of `sectorSize` bytes) read at `at` on a disk of
// `diskSectors` sectors (0: size unknown). The entry array must lie on the disk and
// clear of sector 0 and of the header itself.
GptHeaderCheck CheckGptHeader(disk::ByteView sector, std::uint64_t at, std::uint64_t diskSectors,
                              std::uint32_t sectorSize);

// "sector N", as the GPT's problem lines name places.
inline std::string SectorText(std::uint64_t sector) {
    return "sector " + std::to_string(sector);
}

// Sectors the entry array of `header` covers.
std::uint64_t GptArraySectors(const GptHeader& header, std::uint32_t sectorSize);

} // namespace qr::volume
