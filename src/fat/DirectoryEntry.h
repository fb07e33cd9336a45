#pragma once
// Decoding of 32-byte FAT directory entries: short names, long-name runs, the name
// test and the composition every reader of directory entries uses. Names come out
// as UTF-8 (short names from code page 437, long names from UTF-16).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qr::disk {
class SectorReader;
}

namespace qr::fat {

inline constexpr std::size_t kEntrySize = 32;
inline constexpr std::size_t kEntriesPerSector = 16;
inline constexpr std::uint8_t kAttrLongName = 0x0F;
inline constexpr std::uint8_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kDeletedMarker = 0xE5;

inline std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Fields of a short entry.
inline std::uint8_t attributeOf(const unsigned char* entry) {
    return entry[11];
}
inline std::uint16_t timeOf(const unsigned char* entry) {
    return le16(entry + 22);
}
inline std::uint16_t dateOf(const unsigned char* entry) {
    return le16(entry + 24);
}
inline std::uint32_t sizeOf(const unsigned char* entry) {
    return le32(entry + 28);
}
// FAT16 uses the low word at offset 26 alone; FAT32 adds the high word at 20.
inline std::uint32_t firstClusterOf(const unsigned char* entry, bool fat32) {
    std::uint32_t low = le16(entry + 26);
    return fat32 ? low | (static_cast<std::uint32_t>(le16(entry + 20)) << 16) : low;
}
// "." or ".." entry: byte 0 is "." and byte 3 a space.
inline bool isDotEntry(const unsigned char* entry) {
    return entry[0] == '.' && entry[3] == ' ';
}
inline bool isLongNameEntry(const unsigned char* entry) {
    return attributeOf(entry) == kAttrLongName;
}
// First sector of a directory: "." then ".." entries.
inline bool isDirectoryHead(const unsigned char* sector) {
    return sector[0] == '.' && sector[1] == ' ' && sector[32] == '.' && sector[33] == '.' &&
           sector[34] == ' ';
}

// Where ReadLongName finds the sectors before the one it started in: first in a
// buffer of consecutive sectors the caller already holds, then through the reader.
struct SectorSource {
    disk::SectorReader* reader = nullptr;
    const unsigned char* buffer = nullptr; // `count` sectors starting at `first`
    std::uint64_t first = 0;
    std::uint64_t count = 0;

    // Copies sector `sector` into `out` (512 bytes).
    void fetch(std::uint64_t sector, unsigned char* out) const;
};

struct ShortName {
    std::string text;
    bool deleted = false;
};

// The 8.3 name without its padding spaces, "." before a non-empty extension; a
// first byte 0xE5 becomes "_" and marks the entry deleted.
ShortName ShortNameOf(const unsigned char* entry);

// The long name stored in the long-name entries in front of the short entry at
// `offset` of `sector` (sector number `sectorNumber`), walking backwards across
// sectors; nullopt when there is none.
std::optional<std::string> ReadLongName(const unsigned char* sector, std::size_t offset,
                                        std::uint64_t sectorNumber, const SectorSource& source);

// Rejects control characters and the characters " \ / ? * < > |.
bool IsValidEntryName(std::string_view name);

enum class EntryVerdict { Accept, Skip, EndOfDirectory };

struct EntryName {
    EntryVerdict verdict = EntryVerdict::Skip;
    std::string name;
    bool deleted = false;
};

// The name of the entry at `offset` of `sector`, or an instruction to skip it or to
// stop reading the sector (first byte 0).
EntryName EntryNameOf(const unsigned char* sector, std::size_t offset, std::uint64_t sectorNumber,
                      const SectorSource& source);

} // namespace qr::fat
