#pragma once
// The second reading of a deleted file whose consecutive clusters run into clusters
// another file holds now: the file may have been written around that file, so its
// data follows in the free clusters only (the rule The Sleuth Kit applies). Which of
// the two readings is kept is told by how each one ends (volume/EndingCheck.h); the
// file stays uncertain either way.
#include "disk/SectorSource.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace qr::volume {

// `count` sectors of the medium from `first`.
struct SectorRun {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
};

// True when a cluster after `first` of first .. first + needed - 1 is taken, while
// `first` itself is free (a taken first cluster means the file's start is gone).
template <class Taken>
bool ConsecutiveRunMeetsTaken(std::uint32_t first, std::uint32_t needed, std::uint32_t highest,
                              Taken taken) {
    if (needed < 2 || first > highest || taken(first))
        return false;
    const std::uint64_t last = std::min<std::uint64_t>(std::uint64_t{first} + needed - 1, highest);
    for (std::uint64_t c = std::uint64_t{first} + 1; c <= last; ++c)
        if (taken(static_cast<std::uint32_t>(c)))
            return true;
    return false;
}

// Runs (`Run` has `first` and `count`) of `first` and the free clusters behind it up
// to `highest`, until `needed` clusters are collected; fewer when the volume ends.
template <class Run, class Taken>
std::vector<Run> FreeClusterRuns(std::uint32_t first, std::uint32_t needed, std::uint32_t highest,
                                 Taken taken) {
    std::vector<Run> runs;
    std::uint32_t collected = 0;
    for (std::uint64_t c = first; c <= highest && collected < needed; ++c) {
        if (c != first && taken(static_cast<std::uint32_t>(c)))
            continue;
        if (!runs.empty() && std::uint64_t{runs.back().first} + runs.back().count == c)
            ++runs.back().count;
        else
            runs.push_back({static_cast<std::uint32_t>(c), 1});
        ++collected;
    }
    return runs;
}

// The last bytes (at most kEndingCheckBytes) of a file of `size` bytes that lies in
// `runs` in order; fewer when the runs hold less. Sectors that cannot be read are zeros.
std::vector<unsigned char> TailOfRuns(disk::SectorSource& source,
                                      const std::vector<SectorRun>& runs, std::uint64_t size);

// True when the free-cluster reading is the one to keep: always, unless the
// consecutive reading ends as the format of `name` ends and the free one does not.
bool FreeReadingWins(disk::SectorSource& source, std::string_view name, std::uint64_t size,
                     const std::vector<SectorRun>& consecutive, const std::vector<SectorRun>& free);

} // namespace qr::volume
