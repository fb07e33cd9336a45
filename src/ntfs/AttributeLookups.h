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

} // namespace qr::ntfs
