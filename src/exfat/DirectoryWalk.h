#pragma once
// The exFAT directory walk: from the root directory's cluster, every directory's entry
// sets become FolderTable rows (folders) and FileTable rows (files), live ones first
// and then the deleted folders, whose files are all deleted. A folder's key is its
// first cluster; the root's is 0. Every directory cluster read is remembered, so the
// heap sweep can tell directory clusters the walk did not reach.
#include "disk/SectorSource.h"
#include "exfat/EntrySet.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"
#include "volume/SearchProgress.h"

#include <cstdint>
#include <deque>
#include <stop_token>
#include <unordered_set>
#include <vector>

namespace qr::model {
class RecordTable;
}

namespace qr::exfat {

inline constexpr std::uint32_t kRootKey = 0;
// A directory holds at most 256 MiB of entries.
inline constexpr std::uint64_t kMaxDirectoryBytes = 256ull << 20;

// FileTable's columns as the exFAT engine fills them: Sector holds the first cluster,
// Self the stream flags (the two the format defines, and kUncertainSet), Size the data
// length; Time stays empty. The valid data length is the row's own value beside its cells.

// In FileTable's Self column: the file's set checksum did not match.
inline constexpr std::uint32_t kUncertainSet = 0x100;

struct WalkCounts {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t deletedFiles = 0;
    bool stopped = false;
};

class DirectoryWalk {
public:
    DirectoryWalk(disk::SectorSource& source, const Geometry& geometry, FatTable& fat,
                  model::RecordTable& folders, model::RecordTable& files,
                  volume::SearchProgress& progress);

    // Walks the tree below the root directory.
    void walkRoot(std::stop_token stop);
    // Walks a directory cluster the walk did not reach: its entries are listed under a
    // folder named after the cluster, whose parent is `parentKey`, and its folders are
    // walked.
    void walkOrphan(std::uint32_t cluster, std::uint32_t parentKey, std::stop_token stop);

    // True when the cluster was read as part of a directory.
    bool reached(std::uint32_t cluster) const;
    // The first clusters of the folders a cluster's entry sets name (for the sweep).
    static std::vector<std::uint32_t> FolderClusters(disk::ByteView entries);

    const WalkCounts& counts() const { return counts_; }

private:
    struct Pending {
        std::uint32_t key = 0;
        std::uint32_t parentKey = 0;
        EntrySet set;
        bool deleted = false;
        bool wholeCluster = false; // an orphan: one cluster, no stream entry
    };

    void drain(std::stop_token stop);
    void walk(const Pending& dir);
    void writeFolder(const Pending& dir);
    void listEntries(disk::ByteView bytes, std::uint32_t key, bool deleted);
    void markReached(std::uint32_t first, std::uint64_t count);

    disk::SectorSource& source_;
    Geometry geometry_;
    FatTable& fat_;
    model::RecordTable& folders_;
    model::RecordTable& files_;
    volume::SearchProgress& progress_;
    std::vector<bool> reached_; // by cluster - 2
    std::unordered_set<std::uint32_t> keys_;
    std::deque<Pending> live_, deleted_;
    std::uint32_t nextSpareKey_ = 0xFFFFFFF0u; // for folders without a cluster
    WalkCounts counts_;
};

} // namespace qr::exfat
