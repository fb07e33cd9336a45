#pragma once
// The raw search over a sector range: windows of 800 sectors read in large batches
// through the one sweep, the window rules, and each file found written through the
// output. A stop ends the search at the next window or chunk; every file written
// before it stays whole, the one being written is removed.
#include "disk/SectorSource.h"
#include "raw/CarvedFile.h"
#include "volume/SearchProgress.h"

#include <array>
#include <cstdint>
#include <stop_token>

namespace qr::raw {

using RawCounts = std::array<std::uint64_t, kRawKinds>;

// What the search tells its caller besides progress (raw/ knows no window).
class RawSearchEvents {
public:
    virtual ~RawSearchEvents() = default;
    // `file` was written whole and made durable; `counts` are the files written so far
    // per kind, with it.
    virtual void fileWritten(const CarvedFile& file, const RawCounts& counts) = 0;
    // `file` was found but could not be written (created, written or made durable).
    virtual void fileFailed(const CarvedFile& file, CarveResult why) = 0;
};

struct RawSearchOptions {
    std::uint64_t first = 0;                  // first sector
    std::uint64_t end = 0;                    // first sector behind the range
    RawKindSet kinds{true, true, true, true}; // the documents; pictures and videos when asked
    std::uint32_t windowsPerBatch = 10;
    CarvedNaming naming{}; // the running-number names unless asked otherwise
};

enum class RawSearchEnd { Finished, Stopped, MediumLost };

struct RawSearchResult {
    RawSearchEnd end = RawSearchEnd::Finished;
    RawCounts counts{};
    std::uint64_t reassembled = 0;     // files among the counts written from fragments
    std::uint64_t fileNumber = 0;      // the last number used by a document
    std::uint64_t mediaFileNumber = 0; // the last number used by a picture or video
    std::uint64_t rangeEnd = 0;        // the range's end after clamping to the medium
};

RawSearchResult RunRawSearch(disk::SectorSource& source, const RawSearchOptions& options,
                             CarvedFileOutput& output, RawSearchEvents& events,
                             volume::SearchProgress& progress, std::stop_token stop);

} // namespace qr::raw
