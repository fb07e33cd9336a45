#pragma once
// The sweep of the cluster heap for directory clusters the walk did not reach: one
// batched pass, a cluster counted when its entries read as directory entries and at
// least one entry set's checksum holds. Found clusters that no other found cluster
// names as a folder go under Lost, each with the tree below it.
#include "disk/SectorSource.h"
#include "exfat/DirectoryWalk.h"
#include "exfat/Geometry.h"
#include "volume/SearchProgress.h"

#include <cstdint>
#include <stop_token>
#include <unordered_set>
#include <vector>

namespace qr::exfat {

// True when the cluster's bytes look like a directory's: every entry up to the end
// mark has a directory entry type and some entry set's checksum holds.
bool LooksLikeDirectoryCluster(disk::ByteView cluster);

struct SweepResult {
    std::vector<std::uint32_t> found; // unreached directory clusters, in heap order
    std::uint64_t lostFolders = 0;    // folders hung under Lost
    // Found clusters whose sets describe data this geometry does not hold (left by an
    // earlier format): not walked.
    std::uint64_t earlierFolders = 0;
    bool stopped = false;
    bool mediumLost = false;
};

// Removes the found clusters whose sets contradict the geometry (an earlier format's);
// returns their count. A few thousand are checked, any beyond are kept.
std::uint64_t DropEarlierFolders(disk::SectorSource& source, const Geometry& geometry,
                                 std::vector<std::uint32_t>& found, std::stop_token stop);

// Walks the found directory clusters the walk has not reached, each under Lost with the
// tree below it: first those no found cluster names as a folder, then the rest. Returns
// the count hung under Lost; `stopped` is set when the stop token ended it.
std::uint64_t WalkFoundDirectories(DirectoryWalk& walk, const std::vector<std::uint32_t>& found,
                                   const std::unordered_set<std::uint32_t>& named,
                                   std::stop_token stop, bool& stopped);

// Sweeps the heap, drops the found clusters whose sets contradict the geometry, then
// walks the others into the walk's tables.
SweepResult SweepHeapForDirectories(disk::SectorSource& source, const Geometry& geometry,
                                    DirectoryWalk& walk, volume::SearchProgress& progress,
                                    std::stop_token stop);

} // namespace qr::exfat
