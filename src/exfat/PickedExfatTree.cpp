#include "exfat/PickedExfatTree.h"

#include "exfat/DirectoryWalk.h"
#include "exfat/FatChain.h"
#include "exfat/HeapSweep.h"
#include "model/LostDirectories.h"

#include <unordered_set>

namespace qr::exfat {

ExfatSearchResult BuildPickedExfatTree(disk::SectorSource& source, const ExfatFindings& findings,
                                       const ExfatFileSystem& system,
                                       model::RecordTable& folderTable,
                                       model::RecordTable& fileTable,
                                       volume::SearchProgress& progress, std::stop_token stop) {
    ExfatSearchResult result;
    const Geometry& geometry = system.geometry;
    model::InsertLostFolderRow(folderTable, kRootKey);
    progress.phase(volume::SearchPhase::DirectoryScan);
    progress.counter(volume::SearchCounter::Directories, 0);
    FatTable fat(source, geometry);
    DirectoryWalk walk(source, geometry, fat, folderTable, fileTable, progress);
    if (geometry.inHeap(geometry.rootCluster))
        walk.walkRoot(stop);
    if (!walk.counts().stopped) {
        // What the found folder sets of this file system name, so a found folder below
        // another found one is walked from its parent.
        std::unordered_set<std::uint32_t> named;
        for (const FoundFolderSet& folder : findings.folders)
            if (ExplainsFolder(geometry, findings, folder))
                named.insert(folder.firstCluster);
        std::vector<std::uint32_t> found = FoundDirectoryClusters(geometry, findings);
        result.earlierFolders = DropEarlierFolders(source, geometry, found, stop);
        bool stopped = false;
        result.lostFolders = WalkFoundDirectories(walk, found, named, stop, stopped);
    }
    TakeWalkCounts(walk, stop, result);
    model::FindLostDirectories(folderTable, kRootKey, progress);
    return result;
}

} // namespace qr::exfat
