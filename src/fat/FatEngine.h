#pragma once
// The FAT16/FAT32 volume engine: lists a folder's files from its directory on the
// medium, names the folders a scan found, and extracts a file by its FAT chain (or,
// for a file without one, the contiguous rule or the free clusters around live files)
// into a file sink.
#include "fat/FatExtractClusters.h"
#include "fat/FatVolume.h"
#include "volume/RunWriter.h"
#include "volume/VolumeEngine.h"

namespace qr::fat {

class FatEngine final : public volume::VolumeEngine {
public:
    FatEngine(FatVolume volume, volume::FileSystemKind kind)
        : volume_(std::move(volume)), kind_(kind) {}

    volume::FileSystemKind kind() const override { return kind_; }
    std::uint32_t rootKey() const override { return 0; }
    // Key 0 is the root directory; the fixed FAT16 root area goes on after an end
    // marker, any other directory ends at one. Folders are not listed.
    void listFiles(std::uint32_t key, bool folderDeleted,
                   const std::function<bool(const volume::FolderFile&)>& visit) override;
    volume::ExtractReport extract(const volume::FolderFile& file, volume::FileSink& sink,
                                  const volume::ExtractOptions& options) override;
    std::string formatDate(const volume::EntryTimestamp& stamp) const override;
    std::string formatTime(const volume::EntryTimestamp& stamp) const override;
    // The clusters 2 .. highest of the data area, in bytes.
    std::uint64_t largestFile() const override;
    bool mediumGone() override { return volume_.source && volume::MediumGone(*volume_.source); }
    bool calendarDate(const volume::EntryTimestamp& stamp,
                      volume::CalendarDate& date) const override;
    // The first FAT's entries of the clusters a save would read (Automatic mode): a
    // cluster with a value belongs to another file. A deleted file read around live
    // files also has the last sectors of both its readings read.
    volume::Recoverability recoverability(const volume::FolderFile& file) override;
    // The entry's write date and time, as local time.
    std::optional<std::int64_t> modificationTime(const volume::FolderFile& file) override;
    // Every entry of the root (key 0; its sectors are all read) or of the directory
    // chain of `key` (up to its end marker).
    void listEntries(std::uint32_t key,
                     const std::function<bool(const volume::FolderFile&)>& visit) override;

    bool directoryUnreadable() const override { return directoryUnreadable_; }

    const FatVolume& volume() const { return volume_; }

private:
    // The clusters a save of `file` reads (`size` bytes, `needed` clusters).
    FileClusters clustersOf(const volume::FolderFile& file, std::uint64_t size,
                            std::uint32_t needed, volume::ClusterSource source) const;

    FatVolume volume_;
    volume::FileSystemKind kind_;
    bool directoryUnreadable_ = false; // by the last listFiles
};

} // namespace qr::fat
