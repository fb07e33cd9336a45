#include "exfat/EntryLookup.h"

#include "exfat/DirectoryWalk.h"
#include "exfat/StreamClusters.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace qr::exfat {

namespace {

enum class Scan { Found, EndMark, More };

// Looks through the entries of `bytes` for the file's set.
Scan scanEntries(disk::ByteView bytes, std::uint32_t firstCluster, std::string_view name,
                 std::optional<EntrySet>& found) {
    for (std::uint64_t at = 0; bytes.has(at, kEntryBytes); at += kEntryBytes) {
        const std::uint8_t type = bytes.u8(at);
        if (type == 0)
            return Scan::EndMark;
        if ((type | kInUse) != kFileEntry)
            continue;
        auto set = DecodeEntrySet(bytes.from(at));
        if (set && !set->directory() && set->firstCluster == firstCluster && set->name == name) {
            found = std::move(set);
            return Scan::Found;
        }
    }
    return Scan::More;
}

} // namespace

std::optional<EntrySet> FindFileEntrySet(disk::SectorSource& source, const Geometry& geometry,
                                         FatTable& fat, std::uint32_t folderKey,
                                         std::uint32_t firstCluster, std::string_view name) {
    const std::uint32_t directory = folderKey == kRootKey ? geometry.rootCluster : folderKey;
    if (!geometry.inHeap(directory) || geometry.clusterBytes() == 0)
        return std::nullopt;
    std::optional<EntrySet> found;

    // A live directory follows its chain.
    const StreamPlace chained =
        PlaceStream(fat, geometry, {directory, std::numeric_limits<std::uint64_t>::max()});
    const std::vector<unsigned char> bytes =
        ReadStream(source, geometry, chained, kMaxDirectoryBytes);
    if (scanEntries({bytes.data(), bytes.size()}, firstCluster, name, found) == Scan::Found)
        return found;

    // A directory without a chain (or a deleted one) lies in consecutive clusters: read
    // a growing stretch of them until the set, the end mark or the cap.
    std::uint64_t clusters = 1;
    const std::uint64_t maxClusters = std::max<std::uint64_t>(
        1, std::min<std::uint64_t>(kMaxDirectoryBytes / geometry.clusterBytes(),
                                   std::uint64_t{geometry.clusterCount} + 2 - directory));
    while (true) {
        clusters = std::min(clusters * 2, maxClusters);
        StreamPlace run;
        run.runs.push_back({directory, static_cast<std::uint32_t>(clusters)});
        run.clusters = clusters;
        const std::vector<unsigned char> stretch =
            ReadStream(source, geometry, run, kMaxDirectoryBytes);
        const Scan scan = scanEntries({stretch.data(), stretch.size()}, firstCluster, name, found);
        if (scan != Scan::More || clusters == maxClusters ||
            stretch.size() < clusters * geometry.clusterBytes())
            return found;
    }
}

} // namespace qr::exfat
