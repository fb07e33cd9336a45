#pragma once
// What the MFT walk asks of one file record: its file name (long name first, then
// the name shared by both name spaces, then the POSIX name that Linux drivers write,
// then the short name) and the size of its unnamed data attribute.
#include "disk/ByteView.h"
#include "ntfs/FileName.h"

#include <cstdint>
#include <optional>

namespace qr::ntfs {

// The first unnamed, resident file-name attribute of name space 1, else 3, else 0,
// else 2.
std::optional<FileNameValue> FindFileName(disk::ByteView record);

// The size of the unnamed data attribute: the real size of its first extent (lowest
// VCN 0) when non-resident, the value length when resident. Named streams are passed
// over; nothing when the record holds no such attribute.
std::optional<std::uint64_t> FindDataSize(disk::ByteView record);

// A directory's own MFT number from its "$I30" index root: the parent reference in
// the key of the root's first entry (entries of a directory's index name it as their
// parent). 0 when there is no such root, no entry with a name, or the value is
// 0xFFFFFFFF.
std::uint32_t FindDirectorySelfNumber(disk::ByteView record);

// The first cluster (relative to the volume) of a directory's "$I30" index
// allocation, where its first index record lies; 0 when there is none.
std::uint32_t FindDirectoryFirstRun(disk::ByteView record);

} // namespace qr::ntfs
