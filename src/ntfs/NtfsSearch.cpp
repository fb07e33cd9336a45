#include "ntfs/NtfsSearch.h"

#include "model/LostDirectories.h"
#include "ntfs/RecordSize.h"

namespace qr::ntfs {

NtfsGeometry GeometryFromVolume(const volume::VolumeParams& params) {
    NtfsGeometry geometry;
    geometry.volumeStart = params.partitionStart;
    geometry.volumeEnd = params.partitionEnd + 1;
    geometry.sectorsPerCluster = params.sectorsPerCluster;
    geometry.mftStart = params.mftStart;
    geometry.recordSectors = RecordSectorsOrDefault(params.mftRecordSectors);
    return geometry;
}

NtfsSearchResult RunNtfsStandardSearch(disk::SectorSource& source, const NtfsGeometry& geometry,
                                       model::RecordTable& folderTable,
                                       model::RecordTable& fileTable,
                                       volume::SearchProgress& progress, std::stop_token stop) {
    NtfsSearchResult result;
    result.mftRuns = BuildMftRunList(source, geometry);
    result.walk =
        WalkMftStandard(source, geometry, result.mftRuns, folderTable, fileTable, progress, stop);
    // The MFT holds every record: its walk is the whole search.
    if (!result.walk.stopped)
        progress.walkEnded(result.walk.folders);
    model::FindLostDirectories(folderTable, model::kNtfsRootParent, progress);
    return result;
}

} // namespace qr::ntfs
