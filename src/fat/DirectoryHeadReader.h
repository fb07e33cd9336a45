#pragma once
// The first sectors of the directories a walk visits, read ahead where they lie one
// after another. Folders made in a row take neighbouring clusters, so when the walk
// asks for the cluster right behind the last window, the next window (twice as long, up
// to 64 clusters) is read in one request and its directory clusters are kept in the
// volume's read cache, where the listing of those directories then finds them. A
// cluster asked for out of sequence is read alone, so scattered folders cost no more
// than before.
#include "fat/FatVolume.h"

#include <cstdint>
#include <vector>

namespace qr::fat {

class DirectoryHeadReader {
public:
    explicit DirectoryHeadReader(const FatVolume& volume);

    // The first sector of `cluster` into `head` (512 bytes); false when it cannot be read.
    bool read(std::uint32_t cluster, unsigned char* head);

private:
    std::uint64_t sectorOf(std::uint32_t cluster) const;
    bool readWindow(std::uint32_t cluster, std::uint32_t clusters);

    const FatVolume& volume_;
    std::uint32_t perCluster_;
    std::uint32_t lastCluster_; // the highest cluster that lies inside the volume
    std::uint32_t windowStart_ = 0;
    std::uint32_t windowEnd_ = 0; // clusters [windowStart_, windowEnd_) were read ahead
    std::uint32_t windowClusters_ = 1;
    std::vector<unsigned char> window_;
    std::vector<unsigned char> cluster_;
};

} // namespace qr::fat
