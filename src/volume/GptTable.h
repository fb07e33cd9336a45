#pragma once
// The GUID partition table behind a protective (or hybrid) MBR: the primary header at
// sector 1 and its entry array, or, when either is damaged or missing, the backup
// header at the disk's last sector and its array. The used entries that fit the disk
// and overlap none before them are kept, in the order of their first sectors; every
// fault found is said in one line.
#include <cstdint>
#include <string>
#include <vector>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

struct GptEntry {
    std::uint32_t index = 0; // 1-based slot in the entry array
    std::uint64_t firstSector = 0;
    std::uint64_t lastSector = 0; // inclusive, as the table stores it
    std::string name;             // the entry's own name, UTF-8
};

enum class GptHeaderUsed { None, Primary, Backup };

struct GptReading {
    GptHeaderUsed used = GptHeaderUsed::None;
    std::uint64_t headerSector = 0;
    std::vector<GptEntry> entries;
    std::vector<std::string> problems;
};

// Reads the GPT of the disk on `source` (`diskSectors` sectors of `sectorSize` bytes;
// 0 sectors: size unknown, no backup is looked for).
GptReading ReadGpt(disk::SectorSource& source, std::uint64_t diskSectors, std::uint32_t sectorSize);

// The name field of one entry (UTF-16LE, up to 36 units, NUL-ended) as UTF-8.
std::string GptEntryName(const unsigned char* field, std::size_t bytes);

} // namespace qr::volume
