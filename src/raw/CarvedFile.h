#pragma once
// Writing one file found by the raw search: its kind, its length and its bytes.
//
// The length is the one the file records for itself where the format has one (a
// compound document through its allocation tables, a Zip archive through its end
// record and comment). Otherwise the file runs from its first sector through the
// sector of its end marker plus one more chunk the size of the last one (20-sector
// chunks; at least 20 sectors), and a document stops after the chunk that passes
// 5,242,880 bytes. Nothing is read behind the end of the search range.
#include "disk/SectorSource.h"
#include "raw/CarvedFileOutput.h"
#include "raw/CarvedNames.h"
#include "raw/MediaFormats.h"
#include "raw/MediaLength.h"
#include "raw/RawSignatures.h"
#include "raw/WindowRules.h"

#include <array>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace qr::raw {

struct CarvedFile {
    std::string name;
    RawKind kind = RawKind::Word;
    std::uint64_t number = 0;
    std::uint64_t startSector = 0;
    std::uint64_t bytes = 0;
    bool ownLength = false;   // the length the format records
    bool reassembled = false; // written from fragments found apart
};

enum class CarveResult {
    Written,
    NotTicked,    // its kind was not asked for
    Dropped,      // given up, or its end lies before its start
    CannotCreate, // skipped
    WriteFailed,  // left as far as it was written
    Stopped,      // removed
    MediumLost,   // removed
};

// The kind of a document whose first sector is `start`: Excel when "Microsoft Excel
// 5.0" stands at 0x820 or "Microsoft Excel" at 0x12A0, else PowerPoint when its
// stream name stands at 0x480, else the row's kind.
RawKind CheckDocumentKind(disk::SectorSource& source, int entry, std::uint64_t start,
                          std::uint64_t rangeEnd);

// The bytes the chunk rule writes for a file from `start` through `end`.
std::uint64_t ChunkRuleLength(std::uint64_t start, std::uint64_t end, bool document);

struct CarveTarget {
    disk::SectorSource& source;
    std::uint64_t rangeEnd = 0; // first sector behind the search range
    RawKindSet kinds{};
    CarvedFileOutput& output;
    std::stop_token stop;
    CarvedNames* names = nullptr; // none: the running-number names
    // Fragments of a file begin at sectors that are multiples of this (a cluster).
    std::uint32_t stepSectors = 1;
};

// The name `file` is written under: the target's names, which may read the file's
// first `contiguousBytes` (those that lie in one run from its first sector).
std::string NameCarvedFile(const CarveTarget& target, const CarvedFile& file,
                           std::string_view extension, std::uint64_t contiguousBytes = UINT64_MAX);

CarveResult WriteCarvedFile(const CarveTarget& target, const FileDecision& decision,
                            CarvedFile& file);

// Copies `file.bytes` bytes from sector `start` into `file.name` of the output.
CarveResult CopyCarvedFile(const CarveTarget& target, std::uint64_t start, const CarvedFile& file);

// `bytes` bytes of the medium from `sector`.
struct CarvedPiece {
    std::uint64_t sector = 0;
    std::uint64_t bytes = 0;
};

// Copies the pieces in order, `file.bytes` bytes in all, into `file.name` of the output.
CarveResult CopyCarvedPieces(const CarveTarget& target, const std::vector<CarvedPiece>& pieces,
                             const CarvedFile& file);

struct MeasuredFile {
    RawKind kind = RawKind::Jpeg; // the kind it is written as
    MediaLength length;
};

// The file whose header of row `row` stands at `start`: its length read from its own
// structure and the ticked kind it is written as; nullopt when that does not hold
// together within the range or no ticked kind takes it.
std::optional<MeasuredFile> MeasureMediaFile(const CarveTarget& target, RawKind row,
                                             std::uint64_t start);

// Writes a measured file as file `number` of its kind.
CarveResult WriteMediaFile(const CarveTarget& target, const MeasuredFile& measured,
                           std::uint64_t start, std::uint64_t number, CarvedFile& file);

} // namespace qr::raw
