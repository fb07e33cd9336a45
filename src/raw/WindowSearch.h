#pragma once
// The search of one window of the medium: header markers at sector starts, end
// markers at any byte, and the end chosen for a file from the end markers it owns.
//
// A window is 800 sectors from its first sector (fewer at the end of the range). Its
// bytes may run on behind the window (the first sector of the next one), so that an
// end marker that starts in the window's last bytes is seen whole.
#include "disk/ByteView.h"
#include "raw/RawSignatures.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace qr::raw {

inline constexpr std::uint32_t kWindowSectors = 800;
inline constexpr std::size_t kMaxCandidates = 1000;

struct HeaderCandidate {
    std::uint64_t sector = 0;
    int entry = 0; // the first RawSignatureTable row whose header matched
};

struct WindowMarks {
    std::uint64_t firstSector = 0;
    std::uint32_t sectors = 0;
    // Header candidates in rising sector order.
    std::vector<HeaderCandidate> headers;
    // Per RawSignatureTable row, the absolute byte offsets of its end marker in rising
    // order (rows with the same marker share the hits).
    std::array<std::vector<std::uint64_t>, kRawSignatures> ends;
};

// Header candidates of the window's `sectors` sectors held at the start of `bytes`:
// at each sector start the first row whose header marker matches; at most 1000.
std::vector<HeaderCandidate> FindHeaders(disk::ByteView bytes, std::uint64_t firstSector,
                                         std::uint32_t sectors);

// End-marker hits that start in the window's sectors (they may run into the bytes
// behind them).
void FindEndMarkers(disk::ByteView bytes, std::uint64_t firstSector, std::uint32_t sectors,
                    WindowMarks& marks);

// The end markers are looked for only where a file may end: with a file open from an
// earlier window (`fileOpen`) or a header in this one. Elsewhere no rule reads them, and
// their byte-by-byte search is most of the window's cost.
WindowMarks SearchWindow(disk::ByteView bytes, std::uint64_t firstSector, std::uint32_t sectors,
                         bool fileOpen);

// The file in hand when its end is looked for.
struct EndQuery {
    std::uint64_t start = 0; // the file's first sector
    int headerEntry = 0;     // the row whose header started it
    // The first header behind the file in this window: for an open file the window's
    // first candidate, for a candidate the next one. An end at or behind it is moved
    // to the sector before it.
    std::optional<std::uint64_t> nextHeader;
    // End markers at or below this sector belong to the last written file.
    std::optional<std::uint64_t> lastWrittenEnd;
};

struct FileEnd {
    std::uint64_t sector = 0; // the file's last sector by the window rules
    int entry = 0;            // the row whose end marker set it
    // Where that row's last marker before the next header stands (absolute byte
    // offset); none when only markers behind the next header were seen.
    std::optional<std::uint64_t> markerOffset;
};

// The end of the file: per row that may end it, the last hit of the window that is
// not below the file's start nor at or below the last written file's end, moved
// before the next header; the earliest of rows 0 to 2, else row 3, 4, 5.
std::optional<FileEnd> FindFileEnd(const WindowMarks& marks, const EndQuery& query);

} // namespace qr::raw
