#pragma once
// The records at the end of a Zip archive: the end-of-central-directory record (and
// its Zip64 locator and record), and the length the archive has through that record
// and its comment.
#include "disk/ByteView.h"
#include "raw/CompoundDocument.h" // FileBytesReader

#include <cstdint>
#include <optional>

namespace qr::raw {

inline constexpr std::uint32_t kZipEndRecordBytes = 22;
inline constexpr std::uint32_t kZip64LocatorBytes = 20;
inline constexpr std::uint32_t kZip64EndRecordBytes = 56;

struct ZipEndRecord {
    std::uint16_t disk = 0;
    std::uint16_t centralDisk = 0;
    std::uint64_t entriesHere = 0;
    std::uint64_t entries = 0;
    std::uint64_t centralSize = 0;
    std::uint64_t centralOffset = 0; // from the archive's start
    std::uint16_t commentLength = 0;
    // Some field holds its all-ones value: the Zip64 record holds the real ones.
    bool needsZip64 = false;
};

// Decodes "PK" 05 06 and its fields; false when the signature is not there or the
// record is cut.
bool DecodeZipEndRecord(disk::ByteView bytes, ZipEndRecord& record);

// Decodes the Zip64 locator ("PK" 06 07): the offset of the Zip64 record.
bool DecodeZip64Locator(disk::ByteView bytes, std::uint64_t& recordOffset);

// Decodes the Zip64 end record ("PK" 06 06) over `record`'s fields.
bool DecodeZip64EndRecord(disk::ByteView bytes, ZipEndRecord& record);

// The length of the archive that starts at offset 0 when its end record stands at
// `endOffset`: through that record and its comment. nullopt when the record does not
// belong to this archive (its central directory does not end where the record
// starts, or is not there) or the archive would end behind `limit`.
std::optional<std::uint64_t> ZipArchiveLength(const FileBytesReader& read, std::uint64_t endOffset,
                                              std::uint64_t limit);

} // namespace qr::raw
