#pragma once
// The NTFS volume engine: files listed from FileTable (indexed by parent once, in row
// order), extracted through the MFT's runs, dates in NTFS form.
#include "disk/SectorSource.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsGeometry.h"
#include "volume/VolumeEngine.h"

#include <unordered_map>
#include <vector>

namespace qr::model {
class RecordTable;
}

namespace qr::ntfs {

class NtfsEngine final : public volume::VolumeEngine {
public:
    // `fileTable` must outlive the engine; call reindex() after it changes. Empty
    // `mftRuns` are built from the volume at the first extraction.
    NtfsEngine(disk::SectorSource& source, const NtfsGeometry& geometry, MftRunList mftRuns,
               const model::RecordTable& fileTable);

    volume::FileSystemKind kind() const override { return volume::FileSystemKind::Ntfs; }
    std::uint32_t rootKey() const override;
    // Rows whose record number is above 19; the folder's own deleted flag does not
    // change its files' labels.
    void listFiles(std::uint32_t key, bool folderDeleted,
                   const std::function<bool(const volume::FolderFile&)>& visit) override;
    volume::ExtractReport extract(const volume::FolderFile& file, volume::FileSink& sink,
                                  const volume::ExtractOptions& options) override;
    std::string formatDate(const volume::EntryTimestamp& stamp) const override;
    std::string formatTime(const volume::EntryTimestamp& stamp) const override;

    void reindex() { indexed_ = false; }
    const MftRunList& mftRuns() const { return mftRuns_; }

private:
    void buildIndex();

    disk::SectorSource& source_;
    NtfsGeometry geometry_;
    MftRunList mftRuns_;
    const model::RecordTable& fileTable_;
    bool indexed_ = false;
    bool runsBuilt_ = false;
    std::unordered_map<std::uint32_t, std::vector<int>> rowsByParent_;
};

} // namespace qr::ntfs
