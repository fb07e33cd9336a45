#pragma once
// exFAT directory entry sets: a file entry (0x85, or 0x05 once deleted), its stream
// extension (0xC0 / 0x40) and its file-name entries (0xC1 / 0x41), guarded by the set
// checksum. A deleted set had the in-use bit of every entry cleared, so its checksum
// is taken with the bits set again.
#include "disk/ByteView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qr::exfat {

inline constexpr std::uint32_t kEntryBytes = 32;
inline constexpr std::uint8_t kFileEntry = 0x85;
inline constexpr std::uint8_t kStreamEntry = 0xC0;
inline constexpr std::uint8_t kNameEntry = 0xC1;
inline constexpr std::uint8_t kInUse = 0x80;
inline constexpr std::uint16_t kDirectoryAttribute = 0x10;
// GeneralSecondaryFlags of the stream extension: the data lies in consecutive clusters
// and the FAT holds no chain for it.
inline constexpr std::uint8_t kNoFatChain = 0x02;

struct EntrySet {
    bool deleted = false;
    std::uint16_t attributes = 0;
    std::uint32_t created = 0;  // FAT-style date (high 16 bits) and time (low 16 bits)
    std::uint32_t modified = 0; // likewise
    std::uint8_t streamFlags = 0;
    std::uint32_t firstCluster = 0;
    std::uint64_t validLength = 0;
    std::uint64_t dataLength = 0;
    std::string name;          // UTF-8
    std::uint32_t entries = 0; // entries the set takes, file entry included
    // The set checksum does not match (decoded under ChecksumRule::Tolerate only): the
    // entries are otherwise sound, so the file is listed, but as uncertain.
    bool checksumMismatch = false;

    bool directory() const { return (attributes & kDirectoryAttribute) != 0; }
    bool noFatChain() const { return (streamFlags & kNoFatChain) != 0; }
};

enum class SetProblem {
    None,
    NotAFileEntry, // the first entry is no file entry
    Truncated,     // the set runs past the bytes given
    BadCount,      // the secondary count is below 2 or above 18
    BadStream,     // the first secondary entry is no stream extension
    BadName,       // name entries are missing or the name length does not fit them
    BadChecksum,
    MixedInUse, // some entries are in use and others not
};

// The set checksum over `count` entries, skipping the file entry's checksum field;
// with `asInUse` the in-use bit of every entry type is counted as set.
std::uint16_t EntrySetChecksum(disk::ByteView entries, std::uint32_t count, bool asInUse);

// Whether a set whose checksum does not match is refused or decoded with
// checksumMismatch set (and `problem` BadChecksum).
enum class ChecksumRule { Require, Tolerate };

// Decodes the set that starts at the beginning of `entries`. On failure `problem` says
// why and nullopt is returned.
std::optional<EntrySet> DecodeEntrySet(disk::ByteView entries, SetProblem* problem = nullptr,
                                       ChecksumRule rule = ChecksumRule::Require);

// True when the byte is the type of an entry a directory holds (in use or not), or the
// end mark 0.
bool IsDirectoryEntryType(std::uint8_t type);

} // namespace qr::exfat
