#pragma once
// The header of a compound document (the container of Word, Excel and PowerPoint 97
// files) and the length the document records for itself: its header sector plus
// every sector up to the highest one its allocation tables use.
#include "disk/ByteView.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qr::raw {

inline constexpr std::uint32_t kCompoundFreeSector = 0xFFFFFFFF;
inline constexpr std::uint32_t kCompoundEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kCompoundFatSector = 0xFFFFFFFD;
inline constexpr std::uint32_t kCompoundDifatSector = 0xFFFFFFFC;
inline constexpr std::uint32_t kCompoundHeaderDifatEntries = 109;

enum class CompoundHeaderVerdict {
    Valid,
    TooShort,          // fewer than 512 bytes
    NoSignature,       // not D0 CF 11 E0 A1 B1 1A E1
    BadByteOrder,      // the byte-order mark is not FE FF
    BadSectorSize,     // neither 512 nor 4096 bytes
    BadMiniSectorSize, // not 64 bytes
    NoAllocationTable, // no FAT sector, or more than the file can hold
};

struct CompoundHeader {
    std::uint32_t sectorSize = 512;
    std::uint32_t fatSectors = 0;       // sectors of the allocation table
    std::uint32_t directoryStart = 0;   // first sector of the directory
    std::uint32_t firstDifatSector = 0; // first sector of the table's continuation
    std::uint32_t difatSectors = 0;
    // The first (up to 109) allocation-table sectors, as the header lists them.
    std::vector<std::uint32_t> headerFatSectors;
};

// Decodes the first 512 bytes of a compound document.
CompoundHeaderVerdict DecodeCompoundHeader(disk::ByteView bytes, CompoundHeader& header);

// Reads `length` bytes at `offset` from the file's start into `out`; false when they
// lie outside what may be read (behind the end of the search range).
using FileBytesReader =
    std::function<bool(std::uint64_t offset, std::uint32_t length, unsigned char* out)>;

// The document's length in bytes, or nullopt when its header or allocation tables do
// not hold together: every table sector must lie inside the file and be marked as one,
// the directory must start inside it, and the file must end within `limit` bytes.
std::optional<std::uint64_t> CompoundDocumentLength(const FileBytesReader& read,
                                                    std::uint64_t limit);

} // namespace qr::raw
