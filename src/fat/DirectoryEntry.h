#pragma once
// Decoding of 32-byte FAT directory entries: short names, long-name runs, the name
// test and the composition every reader of directory entries uses. Names come out
// as UTF-8 (short names from code page 437, long names from UTF-16).
#include "disk/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qr::fat {

struct FatVolume;

inline constexpr std::size_t kEntrySize = 32;
inline constexpr std::size_t kEntriesPerSector = 16;
inline constexpr std::uint8_t kAttrLongName = 0x0F;
inline constexpr std::uint8_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kDeletedMarker = 0xE5;

// Fields of a short entry (the view starts at the entry; bytes outside it read 0).
inline std::uint8_t attributeOf(disk::ByteView entry) {
    return entry.u8(11);
}
inline std::uint16_t timeOf(disk::ByteView entry) {
    return entry.u16(22);
}
inline std::uint16_t dateOf(disk::ByteView entry) {
    return entry.u16(24);
}
inline std::uint32_t sizeOf(disk::ByteView entry) {
    return entry.u32(28);
}
// FAT16 uses the low word at offset 26 alone; FAT32 adds the high word at 20.
inline std::uint32_t firstClusterOf(disk::ByteView entry, bool fat32) {
    const std::uint32_t low = entry.u16(26);
    return fat32 ? low | (static_cast<std::uint32_t>(entry.u16(20)) << 16) : low;
}
// "." or ".." entry: byte 0 is "." and byte 3 a space.
inline bool isDotEntry(disk::ByteView entry) {
    return entry.u8(0) == '.' && entry.u8(3) == ' ';
}
inline bool isLongNameEntry(disk::ByteView entry) {
    return attributeOf(entry) == kAttrLongName;
}
// First sector of a directory: "." then ".." entries.
inline bool isDirectoryHead(disk::ByteView sector) {
    return sector.u8(0) == '.' && sector.u8(1) == ' ' && sector.u8(32) == '.' &&
           sector.u8(33) == '.' && sector.u8(34) == ' ';
}

// Where the "." and ".." entries of a directory stand among the entries of its first
// sector (a damaged directory may hold them anywhere, or in the other order).
struct DotEntries {
    std::size_t dot = 0;    // offset of "." in the sector
    std::size_t dotDot = 0; // offset of ".."
};

// The "." (eleven-byte name ".", directory attribute) and ".." entries among the
// entries of `sector` before its first end marker; nullopt unless both are there.
std::optional<DotEntries> FindDotEntries(disk::ByteView sector);

// True when `sector` holds, before its first end marker, an entry other than a volume
// label (a dot, long-name, file or folder entry): the sector can begin a directory
// that has something in it.
bool HoldsDirectoryEntries(disk::ByteView sector);

// Where ReadLongName finds the sectors before the one it started in: first in a
// buffer of consecutive sectors the caller already holds, then on the volume.
struct LookbackSource {
    const FatVolume* volume = nullptr;
    disk::ByteView buffer; // whole sectors starting at `first`
    std::uint64_t first = 0;

    // Copies sector `sector` into `out` (512 bytes); zeros when it cannot be had.
    void fetch(std::uint64_t sector, unsigned char* out) const;
};

struct ShortName {
    std::string text;
    bool deleted = false;
};

// The 8.3 name without its padding spaces, "." before a non-empty extension; a
// first byte 0xE5 becomes "_" and marks the entry deleted.
ShortName ShortNameOf(disk::ByteView entry);

// The long name stored in the long-name entries in front of the short entry at
// `offset` of `sector` (sector number `sectorNumber`, 512 bytes), walking backwards
// across sectors; nullopt when there is none.
std::optional<std::string> ReadLongName(disk::ByteView sector, std::size_t offset,
                                        std::uint64_t sectorNumber, const LookbackSource& source);

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
EntryName EntryNameOf(disk::ByteView sector, std::size_t offset, std::uint64_t sectorNumber,
                      const LookbackSource& source);

} // namespace qr::fat
