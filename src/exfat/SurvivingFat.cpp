#include "exfat/SurvivingFat.h"

#include "exfat/FatChain.h"
#include "exfat/StreamClusters.h"

#include <algorithm>

namespace qr::exfat {

namespace {

// Chains tested per candidate table.
constexpr std::size_t kMostChecks = 16;
// A root directory longer than this is not believed.
constexpr std::uint64_t kMostRootClusters = 1u << 16;

struct ChainCheck {
    std::uint32_t first = 0;
    std::uint64_t clusters = 0; // 0: any length that ends with the end mark
};

std::vector<ChainCheck> checksOf(const ExfatFindings& findings, const ExfatFileSystem& system) {
    const Geometry& g = system.geometry;
    std::vector<ChainCheck> checks;
    if (system.root) {
        checks.push_back({system.root->bitmapCluster,
                          NeededClusters(system.root->bitmapLength, g.clusterBytes())});
        if (g.inHeap(system.root->upcaseCluster))
            checks.push_back({system.root->upcaseCluster,
                              NeededClusters(system.root->upcaseLength, g.clusterBytes())});
    }
    if (g.inHeap(g.rootCluster))
        checks.push_back({g.rootCluster, 0});
    for (const FoundFolderSet& folder : findings.folders) {
        if (checks.size() >= kMostChecks)
            break;
        if (folder.deleted || folder.noFatChain || !ExplainsFolder(g, findings, folder))
            continue;
        checks.push_back(
            {folder.firstCluster, NeededClusters(folder.dataLength, g.clusterBytes())});
    }
    return checks;
}

bool holds(FatTable& fat, const Geometry& geometry, const ChainCheck& check) {
    const std::uint64_t cap = check.clusters == 0 ? kMostRootClusters : check.clusters + 1;
    const Chain chain = WalkChain(fat, geometry, check.first, cap);
    return chain.end == ChainEnd::EndMark &&
           (check.clusters == 0 || chain.clusters.size() == check.clusters);
}

} // namespace

void LocateSurvivingFat(disk::SectorSource& source, const ExfatFindings& findings,
                        ExfatFileSystem& system) {
    if (system.fromBoot)
        return;
    Geometry& g = system.geometry;
    g.fatStart = 0;
    g.fatSectors = 0;
    const std::vector<ChainCheck> checks = checksOf(findings, system);
    if (checks.empty())
        return;
    const std::uint64_t entrySectors = (std::uint64_t{g.clusterCount} + 2 + 127) / 128;
    std::vector<std::uint64_t> starts;
    for (const std::uint64_t sector : findings.fatStarts)
        if (sector >= g.volumeStart && sector < g.heapStart)
            starts.push_back(sector);
    std::sort(starts.rbegin(), starts.rend());
    for (const std::uint64_t start : starts) {
        Geometry trial = g;
        trial.fatStart = start;
        trial.fatSectors = std::min(entrySectors, g.heapStart - start);
        FatTable fat(source, trial);
        if (std::all_of(checks.begin(), checks.end(),
                        [&](const ChainCheck& check) { return holds(fat, trial, check); })) {
            g = trial;
            return;
        }
    }
}

} // namespace qr::exfat
