#pragma once
// The exFAT volume engine: files listed from FileTable (indexed by folder once, in row
// order), extracted through their chains or runs, dates in FAT form.
#include "disk/SectorSource.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"
#include "volume/VolumeEngine.h"

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qr::model {
class RecordTable;
}

namespace qr::exfat {

// What the engines of one search share: FileTable's rows indexed by folder, made once
// and kept while the user browses.
struct ExfatVolumeState {
    bool indexed = false;
    int indexedRows = 0;
    std::unordered_map<std::uint32_t, std::vector<int>> rowsByFolder;
    std::unordered_map<std::uint32_t, std::vector<int>> rowsByCluster;
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
    std::string formatDate(const volume::EntryTimestamp& stamp) const override;
    std::string formatTime(const volume::EntryTimestamp& stamp) const override;
    bool calendarDate(const volume::EntryTimestamp& stamp,
                      volume::CalendarDate& date) const override;

    // FolderFile flags: the data lies in consecutive clusters; the file came from
    // listFiles (its flags and valid length are known).
    static constexpr std::uint32_t kNoFatChainFlag = 1;
    static constexpr std::uint32_t kListedFlag = 2;

private:
    void buildIndex();
    // The listed form of a file known only by name, size, first cluster and state (a
    // save plan keeps no more): its row's flags and valid length.
    volume::FolderFile completed(const volume::FolderFile& file);
    volume::FolderFile fileOfRow(int row, std::uint32_t key, bool folderDeleted) const;

    disk::SectorSource& source_;
    Geometry geometry_;
    FatTable fat_;
    std::shared_ptr<ExfatVolumeState> state_;
    const model::RecordTable& fileTable_;
};

} // namespace qr::exfat
