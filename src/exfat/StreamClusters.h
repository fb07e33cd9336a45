#pragma once
// Which clusters hold a stream (a file's data or a directory): a "no FAT chain" stream
// lies in consecutive clusters from its first one; another follows the FAT. A deleted
// chained stream keeps its chain only when the chain has exactly the clusters its
// length needs; otherwise it is taken to lie in consecutive clusters (a guess). A
// geometry without a FAT (an inferred file system whose table did not survive) places
// every stream in consecutive clusters, chained ones of several clusters as guesses.
#include "disk/SectorSource.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"

#include <cstdint>
#include <vector>

namespace qr::exfat {

struct ClusterRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

struct StreamPlace {
    std::vector<ClusterRun> runs; // in stream order
    std::uint64_t clusters = 0;   // clusters in the runs
    bool guessed = false;         // a deleted chained stream taken as consecutive
    bool cutShort = false;        // fewer clusters than the length needs
    bool noData = false;          // the first cluster lies outside the heap
};

struct StreamRef {
    std::uint32_t firstCluster = 0;
    std::uint64_t dataLength = 0;
    bool noFatChain = false;
    bool deleted = false;
};

// Clusters `length` bytes need.
std::uint64_t NeededClusters(std::uint64_t length, std::uint64_t clusterBytes);

// The clusters of a stream, never outside the heap. A chained stream of unknown length
// (the root directory) passes UINT64_MAX as its length and gets its whole chain.
StreamPlace PlaceStream(FatTable& fat, const Geometry& geometry, const StreamRef& stream);

// Reads up to `maxBytes` of the stream's clusters in order; what could not be read is
// zeros. Stops early when the medium is gone.
std::vector<unsigned char> ReadStream(disk::SectorSource& source, const Geometry& geometry,
                                      const StreamPlace& place, std::uint64_t maxBytes);

} // namespace qr::exfat
