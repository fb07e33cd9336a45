#include "exfat/InferExfatFileSystems.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qr::exfat {

namespace {

// Cluster sizes from one sector to 32 MiB.
constexpr std::uint32_t kLargestShift = 16;
// Pair tests per cluster size; beyond it the named clusters are sampled evenly.
constexpr std::uint64_t kPairBudget = 1u << 20;
constexpr std::uint64_t kMostClusters = 0xFFFFFFF5u;

bool isSetStart(const ExfatFindings& findings, std::uint64_t sector) {
    return std::binary_search(findings.setStarts.begin(), findings.setStarts.end(), sector);
}

std::uint64_t clusterCountFor(std::uint64_t heapStart, std::uint32_t sectorsPerCluster,
                              std::uint64_t end, const std::optional<FoundRootEntries>& root) {
    std::uint64_t count = end > heapStart ? (end - heapStart) / sectorsPerCluster : 0;
    if (root && root->bitmapLength <= kMostClusters / 8)
        count = std::min(count, root->bitmapLength * 8);
    return std::min(count, kMostClusters);
}

// A boot region twelve of its sectors behind another with the same fields is that
// one's backup.
bool isBackupOf(const FoundBootRegion& backup, const FoundBootRegion& main) {
    const exfat::ExfatBootSector& a = main.boot;
    const exfat::ExfatBootSector& b = backup.boot;
    const std::uint64_t scale = std::uint64_t{1} << (a.bytesPerSectorShift - 9);
    return backup.sector == main.sector + exfat::kExfatBootRegionSectors * scale &&
           a.volumeLength == b.volumeLength && a.fatOffset == b.fatOffset &&
           a.heapOffset == b.heapOffset && a.clusterCount == b.clusterCount &&
           a.rootCluster == b.rootCluster && a.bytesPerSectorShift == b.bytesPerSectorShift &&
           a.sectorsPerClusterShift == b.sectorsPerClusterShift;
}

// Where the volume of a lone boot region starts: at the region, unless only the place
// of a backup puts its FAT where an allocation table was found.
std::uint64_t volumeStartOf(const FoundBootRegion& region, const ExfatFindings& findings) {
    const std::uint64_t scale = std::uint64_t{1} << (region.boot.bytesPerSectorShift - 9);
    const std::uint64_t back = exfat::kExfatBootRegionSectors * scale;
    const std::uint64_t fat = std::uint64_t{region.boot.fatOffset} * scale;
    const auto hasFat = [&](std::uint64_t sector) {
        return std::find(findings.fatStarts.begin(), findings.fatStarts.end(), sector) !=
               findings.fatStarts.end();
    };
    if (!hasFat(region.sector + fat) && region.sector >= back && hasFat(region.sector - back + fat))
        return region.sector - back;
    return region.sector;
}

std::optional<FoundRootEntries> rootAt(const ExfatFindings& findings, std::uint64_t sector) {
    for (const FoundRootEntries& root : findings.roots)
        if (root.sector == sector)
            return root;
    return std::nullopt;
}

struct Vote {
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t heapStart = 0;
    std::uint64_t count = 0;
};

class Inference {
public:
    explicit Inference(const ExfatFindings& findings)
        : findings_(findings), used_(findings.folders.size(), false) {}

    std::vector<ExfatFileSystem> run() {
        bootSystems();
        for (std::size_t n = 0; n < kMostInferredSystems; ++n) {
            const Vote best = bestVote();
            if (best.count < 2 || (largest_ > 0 && best.count * 20 < largest_))
                break;
            largest_ = std::max(largest_, best.count);
            inferred(best);
        }
        return std::move(systems_);
    }

private:
    // Marks the folder sets the geometry explains; returns the distinct folders.
    std::uint64_t take(const Geometry& geometry) {
        std::unordered_set<std::uint32_t> clusters;
        for (std::size_t i = 0; i < findings_.folders.size(); ++i) {
            if (used_[i] || !ExplainsFolder(geometry, findings_, findings_.folders[i]))
                continue;
            used_[i] = true;
            clusters.insert(findings_.folders[i].firstCluster);
        }
        return clusters.size();
    }

    void bootSystems() {
        const std::vector<FoundBootRegion>& boots = findings_.boots;
        for (std::size_t i = 0; i < boots.size(); ++i) {
            const bool backup = std::any_of(boots.begin(), boots.begin() + i,
                                            [&](const auto& m) { return isBackupOf(boots[i], m); });
            if (backup)
                continue;
            const std::uint64_t start = volumeStartOf(boots[i], findings_);
            ExfatFileSystem system;
            system.fromBoot = true;
            system.geometry = exfat::ExfatGeometryOf(
                boots[i].boot, start, findings_.rangeEnd > start ? findings_.rangeEnd - start : 0);
            const bool known = std::any_of(systems_.begin(), systems_.end(), [&](const auto& s) {
                return s.geometry.heapStart == system.geometry.heapStart &&
                       s.geometry.sectorsPerCluster == system.geometry.sectorsPerCluster;
            });
            if (known || system.geometry.clusterCount == 0)
                continue;
            system.root =
                rootAt(findings_, system.geometry.clusterSector(system.geometry.rootCluster));
            system.folders = take(system.geometry);
            systems_.push_back(std::move(system));
        }
    }

    // The named clusters not yet explained whose folder's length suits the cluster
    // size (a directory takes whole clusters), each once.
    std::vector<std::uint32_t> namedClusters(std::uint32_t sectorsPerCluster) const {
        const std::uint64_t bytes = std::uint64_t{sectorsPerCluster} * 512;
        std::unordered_set<std::uint32_t> seen;
        std::vector<std::uint32_t> clusters;
        for (std::size_t i = 0; i < findings_.folders.size(); ++i) {
            const FoundFolderSet& folder = findings_.folders[i];
            if (used_[i] || folder.firstCluster < 2 || folder.dataLength < bytes ||
                folder.dataLength % bytes != 0)
                continue;
            if (seen.insert(folder.firstCluster).second)
                clusters.push_back(folder.firstCluster);
        }
        return clusters;
    }

    Vote bestVote() const {
        Vote best;
        const std::vector<std::uint64_t>& starts = findings_.setStarts;
        const std::uint64_t first = findings_.rangeFirst;
        const std::uint64_t end = findings_.rangeEnd;
        if (starts.empty() || end <= first)
            return best;
        for (std::uint32_t shift = kLargestShift + 1; shift-- > 0;) {
            const std::uint32_t spc = 1u << shift;
            const std::vector<std::uint32_t> clusters = namedClusters(spc);
            const std::uint64_t work = std::uint64_t{clusters.size()} * starts.size();
            const std::uint64_t stride = std::max<std::uint64_t>(1, work / kPairBudget + 1);
            std::unordered_map<std::uint64_t, std::uint64_t> votes;
            for (std::size_t i = 0; i < clusters.size(); i += stride) {
                const std::uint64_t offset = std::uint64_t{clusters[i] - 2} * spc;
                if (offset >= end - first)
                    continue;
                // The heap begins inside the range, so the folder lies at least
                // `offset` sectors into it.
                for (auto s = std::lower_bound(starts.begin(), starts.end(), first + offset);
                     s != starts.end(); ++s)
                    ++votes[*s - offset];
            }
            for (const auto& [heap, count] : votes)
                if (count > best.count ||
                    (count == best.count && spc == best.sectorsPerCluster && heap < best.heapStart))
                    best = {spc, heap, count};
        }
        return best;
    }

    // The found root on the grid whose bitmap fits the range, with the most of the
    // group's folders in its first cluster.
    std::optional<FoundRootEntries> rootOf(const Geometry& geometry) const {
        std::optional<FoundRootEntries> chosen;
        std::uint64_t chosenScore = 0;
        for (const FoundRootEntries& root : findings_.roots) {
            if (root.sector < geometry.heapStart ||
                (root.sector - geometry.heapStart) % geometry.sectorsPerCluster != 0)
                continue;
            if (root.bitmapLength > kMostClusters / 8 + 1)
                continue;
            const std::uint64_t leastClusters = (root.bitmapLength - 1) * 8 + 1;
            if (leastClusters >
                    (findings_.rangeEnd - geometry.heapStart) / geometry.sectorsPerCluster ||
                !geometry.inHeap(root.bitmapCluster))
                continue;
            const bool otherRoot =
                std::any_of(systems_.begin(), systems_.end(),
                            [&](const auto& s) { return s.root && s.root->sector == root.sector; });
            if (otherRoot)
                continue;
            // The folder sets are in sector order: those in the root's first cluster.
            std::uint64_t score = 1;
            const auto first = std::lower_bound(
                findings_.folders.begin(), findings_.folders.end(), root.sector,
                [](const FoundFolderSet& f, std::uint64_t sector) { return f.sector < sector; });
            for (auto f = first; f != findings_.folders.end() &&
                                 f->sector < root.sector + geometry.sectorsPerCluster;
                 ++f)
                if (ExplainsFolder(geometry, findings_, *f))
                    ++score;
            if (score > chosenScore) {
                chosen = root;
                chosenScore = score;
            }
        }
        return chosen;
    }

    void inferred(const Vote& vote) {
        ExfatFileSystem system;
        Geometry& g = system.geometry;
        g.volumeStart = findings_.rangeFirst;
        g.heapStart = vote.heapStart;
        g.sectorsPerCluster = vote.sectorsPerCluster;
        g.clusterCount = static_cast<std::uint32_t>(
            clusterCountFor(g.heapStart, g.sectorsPerCluster, findings_.rangeEnd, {}));
        system.root = rootOf(g);
        g.clusterCount = static_cast<std::uint32_t>(
            clusterCountFor(g.heapStart, g.sectorsPerCluster, findings_.rangeEnd, system.root));
        g.volumeEnd = g.heapStart + std::uint64_t{g.clusterCount} * g.sectorsPerCluster;
        if (system.root)
            g.rootCluster = static_cast<std::uint32_t>(
                (system.root->sector - g.heapStart) / g.sectorsPerCluster + 2);
        system.folders = take(g);
        if (system.folders == 0)
            return;
        systems_.push_back(std::move(system));
    }

    const ExfatFindings& findings_;
    std::vector<bool> used_; // folder sets given to a file system
    std::vector<ExfatFileSystem> systems_;
    std::uint64_t largest_ = 0;
};

} // namespace

std::vector<ExfatFileSystem> InferExfatFileSystems(const ExfatFindings& findings) {
    return Inference(findings).run();
}

bool ExplainsFolder(const Geometry& geometry, const ExfatFindings& findings,
                    const FoundFolderSet& folder) {
    return geometry.inHeap(folder.firstCluster) && folder.sector >= geometry.heapStart &&
           folder.sector < geometry.volumeEnd &&
           isSetStart(findings, geometry.clusterSector(folder.firstCluster));
}

std::vector<std::uint32_t> FoundDirectoryClusters(const Geometry& geometry,
                                                  const ExfatFindings& findings) {
    std::vector<std::uint32_t> clusters;
    const std::uint64_t spc = geometry.sectorsPerCluster;
    if (spc == 0)
        return clusters;
    for (const std::uint64_t sector : findings.directorySectors) {
        if (sector < geometry.heapStart || (sector - geometry.heapStart) % spc != 0)
            continue;
        const std::uint64_t cluster = (sector - geometry.heapStart) / spc + 2;
        if (geometry.inHeap(cluster))
            clusters.push_back(static_cast<std::uint32_t>(cluster));
    }
    return clusters;
}

} // namespace qr::exfat
