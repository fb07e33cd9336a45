#pragma once
// The sizes of MFT file records and index records: what a boot sector's size code gives
// and what a record found on the medium may claim. A record is a power of two from 512
// to 65536 bytes, read as whole 512-byte sectors; its update sequence covers it in
// 512-byte strides whatever the volume's sector size.
#include <cstdint>
#include <optional>

namespace qr::ntfs {

// The size of records on volumes of 512-byte sectors (4096 on those of 4096-byte ones).
inline constexpr std::uint32_t kRecordBytes = 1024;
inline constexpr std::uint32_t kMinRecordBytes = 512;
inline constexpr std::uint32_t kMaxRecordBytes = 65536;

// A power of two from kMinRecordBytes to kMaxRecordBytes.
bool IsRecordBytes(std::uint64_t bytes);

// `sectors` (512-byte sectors per record, from a log or a caller) when they make a
// record size, else the 2 of a 1024-byte record.
std::uint32_t RecordSectorsOrDefault(std::uint64_t sectors);

// The record size of a boot sector's code (byte 0x40 for file records, 0x44 for index
// records): a code of 1 to 127 counts clusters of `clusterBytes`, a negative one -n
// stands for 2^n bytes. Nothing for 0 or for a size that is no record size.
std::optional<std::uint32_t> RecordBytesFromCode(std::uint8_t code, std::uint64_t clusterBytes);

} // namespace qr::ntfs
