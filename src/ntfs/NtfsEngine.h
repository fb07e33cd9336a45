#pragma once
// The NTFS volume engine: files listed from FileTable (indexed by parent once, in row
// order), extracted through the MFT's runs, dates in NTFS form.
#include "disk/SectorSource.h"
#include "ntfs/ClusterBitmap.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsGeometry.h"
#include "ntfs/ScanSectorsForNtfs.h"
#include "volume/RunWriter.h"
#include "volume/VolumeEngine.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qr::model {
class RecordTable;
}

namespace qr::ntfs {

// What the engines of one search share: the MFT's runs and FileTable's rows indexed
// by parent, made once and kept while the user browses.
struct NtfsVolumeState {
    // Engines on the interface thread and on a save's worker share one state: what they
    // make at the first need (runs, index, re-read sizes) is made and read under it.
    std::mutex mutex;
    MftRunList mftRuns;
    bool runsBuilt = false; // the runs were built (or handed over) already
    bool indexed = false;
    std::unordered_map<std::uint32_t, std::vector<int>> rowsByParent;
    // Rows of named data streams by record sector and listed name ("name:stream"), for a
    // save plan that keeps no more of a file than those.
    std::map<std::pair<std::uint32_t, std::string>, int> streamRows;
    // Sizes read again from the medium for rows whose size a log clipped, by row.
    std::unordered_map<int, std::uint64_t> rereadSizes;
    // Advanced search: the picked volume's place and cluster size (its start and size
    // are not those of the searched range), and the sweep's index-record signatures.
    bool hasGeometry = false;
    NtfsGeometry geometry;
    IndexSignatures signatures;
    // Read at the first recoverability judgement.
    std::optional<ClusterBitmap> bitmap;
};

class NtfsEngine final : public volume::VolumeEngine {
public:
    // `fileTable` and `state` outlive the engine; a state whose runs were not built
    // builds them from the volume at the first extraction.
    NtfsEngine(disk::SectorSource& source, const NtfsGeometry& geometry,
               std::shared_ptr<NtfsVolumeState> state, const model::RecordTable& fileTable);
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
    bool mediumGone() override { return volume::MediumGone(source_); }
    bool listsLostFiles() const override { return true; }
    std::string formatDate(const volume::EntryTimestamp& stamp) const override;
    std::string formatTime(const volume::EntryTimestamp& stamp) const override;
    bool calendarDate(const volume::EntryTimestamp& stamp,
                      volume::CalendarDate& date) const override;
    // Overwritten when the record was reused; else $Bitmap's bits of the data runs.
    volume::Recoverability recoverability(const volume::FolderFile& file) override;
    // $STANDARD_INFORMATION's modification time, read from the record (by number when
    // the MFT places it at the listed sector or no sector is given).
    std::optional<std::int64_t> modificationTime(const volume::FolderFile& file) override;

private:
    // The fixed-up record of `file`; false when it is not a file record.
    bool readRecord(const volume::FolderFile& file, RecordBytes& record);
    const ClusterBitmap& bitmap();
    // With the state's mutex held.
    void buildIndex();
    // The MFT's runs, built from the volume at the first need when the engine was made
    // without them (a recovery loaded from a log).
    const MftRunList& mftRuns();
    // A row whose size a log clipped gets its data attribute's real size; when the
    // record cannot be read again the clipped size stays.
    std::uint64_t rereadSize(int row, const volume::FolderFile& file);
    // The named stream `file` stands for: its own, or that of the stream row of its
    // record sector and name; empty for a file's own data.
    std::string streamOf(const volume::FolderFile& file);

    disk::SectorSource& source_;
    NtfsGeometry geometry_;
    std::shared_ptr<NtfsVolumeState> state_;
    const model::RecordTable& fileTable_;
};

} // namespace qr::ntfs
