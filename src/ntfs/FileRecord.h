#pragma once
// The header of an MFT file record ("FILE"): where its attributes start, whether it
// is in use and whether it is a directory. Records are 1024 bytes.
#include "disk/ByteView.h"

#include <array>
#include <cstdint>

namespace qr::ntfs {

// The flags byte at 0x16: 0 deleted file, 1 file in use, 2 deleted directory,
// 3 directory in use (other values belong to system views and are not listed).
enum RecordFlags : std::uint8_t { kInUse = 0x01, kDirectory = 0x02 };

struct FileRecordHeader {
    std::uint16_t firstAttribute = 0;
    std::uint8_t flags = 0;
    std::uint32_t baseRecord = 0; // 0 for a base record; else the record it extends
};

bool IsFileRecord(disk::ByteView record);
// The header of a record that begins with "FILE"; its first-attribute offset is
// checked by the attribute walk.
FileRecordHeader ReadFileRecordHeader(disk::ByteView record);

// True for the flags of a directory (2 or 3) and of a file (0 or 1).
inline bool IsDirectoryFlags(std::uint8_t flags) {
    return flags == 2 || flags == 3;
}
inline bool IsFileFlags(std::uint8_t flags) {
    return flags == 0 || flags == 1;
}

} // namespace qr::ntfs
