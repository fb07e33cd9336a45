#pragma once
// What an engine reads the medium through: runs of whole 512-byte sectors by absolute
// sector number, and the medium's size. The device reader, the 95-family back end and
// the in-memory test media implement it. There is no write path.
#include <cstdint>

namespace qr::disk {

inline constexpr std::uint32_t kSectorBytes = 512;

enum class ReadStatus {
    Complete, // every sector was read
    Partial,  // some sectors could not be read, or lie behind the end of the medium;
              // they hold zeros
    NoMedium, // the medium could not be opened; the buffer holds zeros
};

class SectorSource {
public:
    virtual ~SectorSource() = default;
    // Reads `count` sectors from `start` into `buffer` (count * 512 bytes). Whatever
    // could not be read is zero-filled, never left with stale bytes.
    virtual ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                   unsigned char* buffer) = 0;
    // Sectors on the medium (a partial last sector counts); 0 when it cannot be opened
    // or does not tell its size.
    virtual std::uint64_t sectorCount() = 0;
    // Bytes of one sector of this source's own: what each sector of a read fills
    // (512 but for views of a medium in its logical sectors).
    virtual std::uint32_t sectorBytes() const { return kSectorBytes; }
    // The medium's logical sector size as its device tells it; 0 when it does not (an
    // image file, a test medium): then the medium's own structures are asked.
    virtual std::uint32_t deviceSectorBytes() { return 0; }
};

} // namespace qr::disk
