#include "exfat/DirectoryWalk.h"

#include "exfat/StreamClusters.h"
#include "model/RecordTable.h"

#include <limits>
#include <string>

namespace qr::exfat {

namespace {

// AllocationPossible and NoFatChain; the other bits of the stream's flags are not kept.
constexpr std::uint8_t kDefinedStreamFlags = 0x03;

std::string text(std::uint64_t value) {
    return std::to_string(value);
}

} // namespace

DirectoryWalk::DirectoryWalk(disk::SectorSource& source, const Geometry& geometry, FatTable& fat,
                             model::RecordTable& folders, model::RecordTable& files,
                             volume::SearchProgress& progress)
    : source_(source), geometry_(geometry), fat_(fat), folders_(folders), files_(files),
      progress_(progress), reached_(geometry.clusterCount, false) {}

bool DirectoryWalk::reached(std::uint32_t cluster) const {
    return geometry_.inHeap(cluster) && reached_[cluster - 2];
}

void DirectoryWalk::markReached(std::uint32_t first, std::uint64_t count) {
    for (std::uint64_t c = 0; c < count; ++c)
        if (geometry_.inHeap(first + c))
            reached_[first + c - 2] = true;
}

void DirectoryWalk::walkRoot(std::stop_token stop) {
    Pending root;
    root.key = kRootKey;
    root.set.firstCluster = geometry_.rootCluster;
    root.set.dataLength = std::numeric_limits<std::uint64_t>::max();
    // A folder whose first cluster is the root's would list the root again.
    keys_.insert(kRootKey);
    keys_.insert(geometry_.rootCluster);
    walk(root);
    drain(stop);
}

void DirectoryWalk::walkOrphan(std::uint32_t cluster, std::uint32_t parentKey,
                               std::stop_token stop) {
    if (!geometry_.inHeap(cluster) || reached(cluster) || !keys_.insert(cluster).second)
        return;
    Pending orphan;
    orphan.key = cluster;
    orphan.parentKey = parentKey;
    orphan.set.name = "Dir" + text(cluster);
    orphan.set.firstCluster = cluster;
    orphan.set.dataLength = geometry_.clusterBytes();
    orphan.wholeCluster = true;
    writeFolder(orphan);
    walk(orphan);
    drain(stop);
}

void DirectoryWalk::drain(std::stop_token stop) {
    // Live folders first, so a deleted folder whose first cluster a live one took over
    // is known as such and left out.
    while (!live_.empty() || !deleted_.empty()) {
        if (stop.stop_requested()) {
            counts_.stopped = true;
            return;
        }
        std::deque<Pending>& queue = live_.empty() ? deleted_ : live_;
        const Pending dir = std::move(queue.front());
        queue.pop_front();
        if (geometry_.inHeap(dir.key)) {
            if (!keys_.insert(dir.key).second)
                continue;
            writeFolder(dir);
            if (!dir.deleted || !reached(dir.key))
                walk(dir);
        } else {
            writeFolder(dir); // listed, but there is nothing to read
        }
    }
}

void DirectoryWalk::writeFolder(const Pending& dir) {
    using namespace model::folder_col;
    const std::uint64_t sector =
        geometry_.inHeap(dir.set.firstCluster) ? geometry_.clusterSector(dir.set.firstCluster) : 0;
    folders_.appendCells({dir.set.name, text(static_cast<std::uint32_t>(sector)), text(dir.key),
                          text(dir.parentKey), text(dir.set.modified), "0", "0",
                          text(dir.set.attributes), "0", "FOLDER", dir.deleted ? "1" : ""});
    ++counts_.folders;
    progress_.counter(volume::SearchCounter::Directories, counts_.folders);
}

void DirectoryWalk::walk(const Pending& dir) {
    StreamRef stream{dir.set.firstCluster, dir.set.dataLength, dir.set.noFatChain(), dir.deleted};
    if (dir.wholeCluster)
        stream.noFatChain = true;
    else if (stream.dataLength != std::numeric_limits<std::uint64_t>::max())
        stream.dataLength = std::min(stream.dataLength, kMaxDirectoryBytes);
    const StreamPlace place = PlaceStream(fat_, geometry_, stream);
    for (const ClusterRun& run : place.runs)
        markReached(run.first, run.count);
    const std::vector<unsigned char> bytes =
        ReadStream(source_, geometry_, place, kMaxDirectoryBytes);
    listEntries({bytes.data(), bytes.size()}, dir.key, dir.deleted);
}

void DirectoryWalk::listEntries(disk::ByteView bytes, std::uint32_t key, bool deleted) {
    using namespace model::folder_col;
    std::uint64_t at = 0;
    while (bytes.has(at, kEntryBytes)) {
        // An unused slot (type 0) does not end the walk: entries found behind one in a
        // damaged directory are listed too, up to the directory's allocated size.
        if ((bytes.u8(at) | kInUse) != kFileEntry) {
            at += kEntryBytes;
            continue;
        }
        const auto set = DecodeEntrySet(bytes.from(at), nullptr, ChecksumRule::Tolerate);
        if (!set) {
            at += kEntryBytes;
            continue;
        }
        at += std::uint64_t{set->entries} * kEntryBytes;
        const bool gone = deleted || set->deleted;
        if (set->directory()) {
            Pending child;
            child.parentKey = key;
            child.set = *set;
            child.deleted = gone;
            if (geometry_.inHeap(set->firstCluster))
                child.key = set->firstCluster;
            else
                child.key = nextSpareKey_--;
            (gone ? deleted_ : live_).push_back(std::move(child));
            continue;
        }
        const std::uint32_t flags =
            (set->streamFlags & kDefinedStreamFlags) | (set->checksumMismatch ? kUncertainSet : 0);
        const int row = files_.appendCells(
            {set->name, text(set->firstCluster), text(flags), text(key), text(set->modified), "",
             text(set->dataLength), text(set->attributes), "0", "FILE", gone ? "1" : ""});
        files_.setRowValue(row, set->validLength);
        ++counts_.files;
        if (gone)
            ++counts_.deletedFiles;
    }
}

std::vector<std::uint32_t> DirectoryWalk::FolderClusters(disk::ByteView bytes) {
    std::vector<std::uint32_t> clusters;
    for (std::uint64_t at = 0; bytes.has(at, kEntryBytes);) {
        const auto set = (bytes.u8(at) | kInUse) == kFileEntry
                             ? DecodeEntrySet(bytes.from(at), nullptr, ChecksumRule::Tolerate)
                             : std::nullopt;
        if (!set) {
            at += kEntryBytes;
            continue;
        }
        if (set->directory())
            clusters.push_back(set->firstCluster);
        at += std::uint64_t{set->entries} * kEntryBytes;
    }
    return clusters;
}

} // namespace qr::exfat
