#pragma once
// The exFAT volume engine: files listed from FileTable (indexed by folder once, in row
// order), extracted through their chains or runs, dates in FAT form.
#include "disk/SectorSource.h"
#include "exfat/AllocationBitmap.h"
#include "exfat/ExfatExtract.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"
#include "volume/RunWriter.h"
#include "volume/VolumeEngine.h"

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qr::model {
class RecordTable;
}

namespace qr::exfat {

// What the engines of one search share: FileTable's rows indexed by folder, made once
// and kept while the user browses.
struct ExfatVolumeState {
    // Engines on the interface thread and on a save's worker share one state: the index
    // and the re-read lengths are made and read under it.
    std::mutex mutex;
    bool indexed = false;
    int indexedRows = 0;
    std::unordered_map<std::uint32_t, std::vector<int>> rowsByFolder;
    std::unordered_map<std::uint32_t, std::vector<int>> rowsByCluster;
    // Lengths read again from the medium for rows whose size a log clipped, by row:
    // data length and valid length.
    std::unordered_map<int, std::pair<std::uint64_t, std::uint64_t>> rereadLengths;
    // The geometry of the file system picked after an Advanced search (the volume's
    // parameters describe the searched range then).
    std::optional<Geometry> picked;
    // Directory clusters of an earlier format the Standard search left out.
    std::uint64_t earlierFolders = 0;
    // Read at the first recoverability judgement.
    std::optional<AllocationBitmap> bitmap;
};

class ExfatEngine final : public volume::VolumeEngine {
public:
    // `fileTable` and `state` outlive the engine.
    ExfatEngine(disk::SectorSource& source, const Geometry& geometry,
                std::shared_ptr<ExfatVolumeState> state, const model::RecordTable& fileTable);

    volume::FileSystemKind kind() const override { return volume::FileSystemKind::ExFat; }
    std::uint32_t rootKey() const override;
    void listFiles(std::uint32_t key, bool folderDeleted,
                   const std::function<bool(const volume::FolderFile&)>& visit) override;
    volume::ExtractReport extract(const volume::FolderFile& file, volume::FileSink& sink,
                                  const volume::ExtractOptions& options) override;
    bool mediumGone() override { return volume::MediumGone(source_); }
    // The last listFiles' folder has a directory the medium fails on.
    bool directoryUnreadable() const override { return directoryUnreadable_; }
    std::string formatDate(const volume::EntryTimestamp& stamp) const override;
    std::string formatTime(const volume::EntryTimestamp& stamp) const override;
    bool calendarDate(const volume::EntryTimestamp& stamp,
                      volume::CalendarDate& date) const override;
    // The allocation bitmap's bits of the clusters a save would read (a deleted file
    // read around taken clusters also has the last sectors of both readings read).
    volume::Recoverability recoverability(const volume::FolderFile& file) override;
    // The entry set's last-modified date and time, as local time.
    std::optional<std::int64_t> modificationTime(const volume::FolderFile& file) override;

    // FolderFile flags: the data lies in consecutive clusters; the file came from
    // listFiles (its flags and valid length are known).
    static constexpr std::uint32_t kNoFatChainFlag = 1;
    static constexpr std::uint32_t kListedFlag = 2;
    // Its set checksum did not match: extracted, but reported uncertain.
    static constexpr std::uint32_t kUncertainFlag = 4;
    // The size a recovery log stores for a file of 4 GiB or more.
    static constexpr std::uint64_t kClippedSize = 0xFFFFFFFFu;

private:
    using RowIndex = std::unordered_map<std::uint32_t, std::vector<int>>;
    // With the state's mutex held.
    void buildIndex();
    // The rows `index` holds for `key`, copied: the index is made again when FileTable
    // grows.
    std::vector<int> rowsOf(RowIndex ExfatVolumeState::*index, std::uint32_t key);
    // The listed form of a file known only by name, size, first cluster and state (a
    // save plan keeps no more): its row's flags and valid length.
    volume::FolderFile completed(const volume::FolderFile& file);
    // Where the stream of `file` lies, for extraction as `deleted` or not.
    static FileRef refOf(const volume::FolderFile& file, bool deleted);
    volume::FolderFile fileOfRow(int row, std::uint32_t key, bool folderDeleted);
    // A row read back from a log with a clipped size gets the lengths its entry set
    // gives; when the set cannot be found again the clipped size stays.
    void rereadLengths(int row, volume::FolderFile& file);
    const AllocationBitmap& bitmap();

    disk::SectorSource& source_;
    Geometry geometry_;
    FatTable fat_;
    std::shared_ptr<ExfatVolumeState> state_;
    const model::RecordTable& fileTable_;
    bool directoryUnreadable_ = false;
};

} // namespace qr::exfat
