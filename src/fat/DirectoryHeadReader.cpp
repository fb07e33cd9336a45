#include "fat/DirectoryHeadReader.h"

#include "fat/FatEngine.h"
#include "fat/ScanFatDirectories.h"

#include <algorithm>
#include <cstring>

namespace qr::fat {

namespace {
constexpr std::uint32_t kMaxWindowClusters = 64;
}

DirectoryHeadReader::DirectoryHeadReader(const FatVolume& volume)
    : volume_(volume), perCluster_(volume.geometry.sectorsPerCluster),
      lastCluster_(HighestCluster(volume)) {}

std::uint64_t DirectoryHeadReader::sectorOf(std::uint32_t cluster) const {
    return volume_.geometry.cluster0Start + std::uint64_t{cluster} * perCluster_;
}

bool DirectoryHeadReader::read(std::uint32_t cluster, unsigned char* head) {
    if (!volume_.cache || perCluster_ == 0)
        return volume_.read(sectorOf(cluster), 1, head);
    if (cluster < windowStart_ || cluster >= windowEnd_) {
        const bool inSequence = cluster >= windowEnd_ && cluster - windowEnd_ < windowClusters_;
        windowClusters_ = inSequence ? std::min(windowClusters_ * 2, kMaxWindowClusters) : 1;
        if (!readWindow(cluster, windowClusters_)) {
            windowStart_ = cluster;
            windowEnd_ = cluster + 1;
        }
    }
    // The whole cluster, as the directory's listing reads it: from the cache when the
    // window kept it, else read and kept now.
    cluster_.resize(std::size_t{perCluster_} * disk::kSectorBytes);
    const bool read = volume_.read(sectorOf(cluster), perCluster_, cluster_.data());
    std::memcpy(head, cluster_.data(), disk::kSectorBytes);
    return read;
}

bool DirectoryHeadReader::readWindow(std::uint32_t cluster, std::uint32_t clusters) {
    if (cluster > lastCluster_)
        return false;
    clusters = std::min(clusters, lastCluster_ - cluster + 1);
    const std::uint64_t first = sectorOf(cluster);
    const std::uint64_t sectors = std::uint64_t{clusters} * perCluster_;
    if (clusters < 2 || !volume_.source || first + sectors - 1 > volume_.partitionEnd)
        return false;
    window_.resize(static_cast<std::size_t>(sectors) * disk::kSectorBytes);
    // A window with an unreadable sector is left to the reads of single clusters, which
    // tell the failure where it lies.
    if (volume_.source->readSectors(first, static_cast<std::uint32_t>(sectors), window_.data()) !=
        disk::ReadStatus::Complete)
        return false;
    const std::size_t clusterBytes = std::size_t{perCluster_} * disk::kSectorBytes;
    for (std::uint32_t i = 0; i < clusters; ++i) {
        const unsigned char* bytes = window_.data() + i * clusterBytes;
        if (DirectoryHeadOf(disk::ByteView(bytes, disk::kSectorBytes),
                            first + std::uint64_t{i} * perCluster_, cluster + i, volume_.fat32()))
            volume_.cache->keep(first + std::uint64_t{i} * perCluster_, perCluster_, bytes);
    }
    windowStart_ = cluster;
    windowEnd_ = cluster + clusters;
    return true;
}

} // namespace qr::fat
