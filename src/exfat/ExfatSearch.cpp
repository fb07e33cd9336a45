#include "exfat/ExfatSearch.h"

#include "exfat/DirectoryWalk.h"
#include "exfat/FatChain.h"
#include "exfat/HeapSweep.h"
#include "model/LostDirectories.h"

namespace qr::exfat {

void TakeWalkCounts(const DirectoryWalk& walk, std::stop_token stop, ExfatSearchResult& result) {
    result.folders = walk.counts().folders;
    result.files = walk.counts().files;
    result.deletedFiles = walk.counts().deletedFiles;
    result.stopped = stop.stop_requested();
}

ExfatSearchResult RunExfatStandardSearch(disk::SectorSource& source, const Geometry& geometry,
                                         model::RecordTable& folderTable,
                                         model::RecordTable& fileTable,
                                         volume::SearchProgress& progress, std::stop_token stop,
                                         volume::SearchScope scope) {
    ExfatSearchResult result;
    model::InsertLostFolderRow(folderTable, kRootKey);
    progress.phase(volume::SearchPhase::DirectoryScan);
    progress.counter(volume::SearchCounter::Directories, 0);
    FatTable fat(source, geometry);
    DirectoryWalk walk(source, geometry, fat, folderTable, fileTable, progress);
    walk.walkRoot(stop);
    if (!walk.counts().stopped)
        progress.walkEnded(walk.counts().folders);
    if (!walk.counts().stopped && scope == volume::SearchScope::WalkAndSweep) {
        const SweepResult sweep = SweepHeapForDirectories(source, geometry, walk, progress, stop);
        result.lostFolders = sweep.lostFolders;
        result.earlierFolders = sweep.earlierFolders;
    }
    TakeWalkCounts(walk, stop, result);
    model::FindLostDirectories(folderTable, kRootKey, progress);
    return result;
}

} // namespace qr::exfat
