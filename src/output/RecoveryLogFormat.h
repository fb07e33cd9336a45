#pragma once
// The byte layout of a recovery log (".DMS"): a 32-byte title, the disk model, the
// search and partition fields, both copies of the volume layout, the folder records
// and, for NTFS, the file records. Little-endian, no padding, no version, no trailer.
//
// Sector numbers beyond 32 bits: the high halves of the validated layout travel in the
// mode caption's field, behind a NUL and the marker kWideMarker (the caption is kept
// and written back but never shown, so a reader that knows nothing of them carries
// them along unread). A log without them has the caption alone, as ever.
//
// The reader trusts nothing it reads: every length is bounded by the bytes that
// remain and by the 259-byte string limit, no count is used to allocate before the
// records it announces have been seen, and a file that is cut short, has bytes after
// its last record or breaks a limit is refused as a whole.
#include "output/RecoveryLogSnapshot.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qr::output {

// Written at the start of every log; the reader skips as many bytes and does not compare.
inline constexpr std::string_view kLogTitle = "Quarrixdale Recovery-Memory Card";
// The longest string any field may hold (the readers' buffers are 260 bytes).
inline constexpr std::size_t kLogStringMax = 259;
// Strings whose length is stored in one byte.
inline constexpr std::size_t kLogShortStringMax = 255;
// What follows the caption when wide sector numbers do: the marker, then the five high
// halves (LogWideSectors, in order, 32 bits each).
inline constexpr std::string_view kWideMarker{"\0W64", 4};
inline constexpr std::size_t kWideBytes = kWideMarker.size() + 5 * 4;
// Bytes of a FolderRecord after its name, counted in its length field.
inline constexpr std::size_t kFolderRecordTail = 25;
// Bytes of a FileRecord after its name.
inline constexpr std::size_t kFileRecordTail = 28;

// The log's bytes. A string longer than its field allows is cut to the limit, at a
// character boundary when it is UTF-8.
std::vector<unsigned char> EncodeRecoveryLog(const RecoveryLogSnapshot& snapshot);

struct LogParseResult {
    std::optional<RecoveryLogSnapshot> snapshot; // set when the whole file is sound
    std::string problem; // for developers: where and why the file was refused
};

// Reads a whole log; nothing is returned unless every byte fits the layout.
LogParseResult ParseRecoveryLog(std::span<const unsigned char> bytes);

// Only the disk model (fields 1 to 3), which is checked before the rest is read;
// nullopt when the file is too short for it or its length breaks the limit.
std::optional<std::string> ReadLogDiskModel(std::span<const unsigned char> bytes);

// `text` cut to at most `limit` bytes without splitting a UTF-8 character.
std::string CutToLimit(std::string_view text, std::size_t limit);

} // namespace qr::output
