#pragma once
// One implementation per file system, opened through its engine registry row. The
// tree, the file list, counting, saving, opening and the recovery log call it instead
// of testing the file-system name. Engines read the medium through a sector source and
// describe a file's content as runs for the run writer (volume/RunWriter.h), which
// moves them into a file sink; they know nothing of windows.
#include "volume/FileSink.h"
#include "volume/FileSystemKind.h"
#include "volume/Recoverability.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qr::volume {

// A file's date and time as its file system stores them: FAT a 16-bit date and a
// 16-bit time; NTFS a 64-bit count of 100 ns since 1601 in `date`; exFAT a 32-bit
// timestamp in `date`.
struct EntryTimestamp {
    std::uint64_t date = 0;
    std::uint32_t time = 0;
};

// One file of a folder, as the engine lists it (folders come from the folder tree).
// The location fields are the engine's own; other code only hands them back.
struct FolderFile {
    std::string name; // UTF-8
    std::uint64_t size = 0;
    bool deleted = false;
    EntryTimestamp stamp;
    std::uint64_t location = 0; // FAT and exFAT: first cluster; NTFS: record sector
    std::uint32_t selfKey = 0;  // NTFS: record number; otherwise 0
    std::uint32_t parentKey = 0;
    std::uint32_t flags = 0;       // engine-specific (exFAT: no FAT chain)
    std::uint64_t validLength = 0; // exFAT: valid data length; otherwise the size
    // NTFS: the named data stream the row stands for (its name is "file:stream"); empty
    // for the file's own data.
    std::string stream;
    // Its entries failed a check (exFAT: the set checksum) but were otherwise sound:
    // listed as uncertain, and its save is counted uncertain.
    bool uncertain = false;
};

// A calendar date (month 1-12, day 1-31), for the save's date window.
struct CalendarDate {
    std::uint32_t year = 0, month = 0, day = 0;
};

// Which allocation table FAT extraction follows (the save's "Saving Mode").
enum class ClusterSource { Automatic, FirstFat, SecondFat, Contiguous };

struct ExtractOptions {
    ClusterSource clusters = ClusterSource::Automatic;
};

enum class ExtractEnd {
    Complete,    // every byte of the file went into the sink
    Interrupted, // the sink asked to skip or stop; what was written stays
    SinkFailed,  // the sink could not store bytes
    Truncated,   // the data ran out of the volume or the medium before the size
    NoData,      // nothing could be located (first cluster outside the data area, ...)
    Unreadable,  // the medium gave not one byte of the file
    MediumLost,  // the medium stopped answering (`lostAtSector`): the save ends
};

struct ExtractReport {
    ExtractEnd end = ExtractEnd::Complete;
    std::uint64_t bytesWritten = 0;
    std::uint64_t unreadableBytes = 0; // written as zeros: the medium would not give them
    bool uncertain = false;  // clusters guessed (contiguous rule), or entries that failed a check
    bool notDecoded = false; // stored as it lies (encrypted)
    std::uint64_t lostAtSector = 0; // MediumLost: the first sector not answered
    std::string why;                // for diagnostics, when not Complete
};

class VolumeEngine {
public:
    virtual ~VolumeEngine() = default;
    virtual FileSystemKind kind() const = 0;
    // Key of the root folder in the folder tree (FAT 0, NTFS 5).
    virtual std::uint32_t rootKey() const = 0;
    // The files of folder `key` in listing order; `folderDeleted`: the folder itself is
    // deleted, so its files are listed as deleted. The visitor returns false to end.
    virtual void listFiles(std::uint32_t key, bool folderDeleted,
                           const std::function<bool(const FolderFile&)>& visit) = 0;
    // Writes the content of `file` into `sink`, at most file.size bytes.
    virtual ExtractReport extract(const FolderFile& file, FileSink& sink,
                                  const ExtractOptions& options) = 0;
    // Date and time texts of the file list for a stamp of this file system.
    virtual std::string formatDate(const EntryTimestamp& stamp) const = 0;
    virtual std::string formatTime(const EntryTimestamp& stamp) const = 0;

    // The most bytes one file of this volume can hold (its data area); a larger size in
    // a damaged directory is clipped to it. No bound by default.
    virtual std::uint64_t largestFile() const { return UINT64_MAX; }

    // True when the last listFiles could not read the folder's directory whole (its
    // files are then not all known).
    virtual bool directoryUnreadable() const { return false; }

    // True when the files whose folder was not found are listed under the Lost folder
    // (they are rows of the search, not entries of a directory).
    virtual bool listsLostFiles() const { return false; }

    // True when the medium under the volume no longer answers at all (a card pulled
    // out): an extraction that found nothing then says so instead of blaming the file.
    virtual bool mediumGone() { return false; }

    // The calendar date of a stamp for the save's date window; false when the stamp
    // has none (the window then keeps the file).
    virtual bool calendarDate(const EntryTimestamp& stamp, CalendarDate& date) const {
        (void)stamp;
        (void)date;
        return false;
    }
    // The modification time (seconds since 1970, UTC) the entry of `file` records, for
    // the saved copy; a folder of the tree comes with kFolderFlag, its node's stamp and
    // key. Nothing when the entry records none.
    virtual std::optional<std::int64_t> modificationTime(const FolderFile& file) {
        (void)file;
        return std::nullopt;
    }
    // How much of deleted `file` is still on the medium, from the allocation state of
    // the clusters its save would read and the content check of its first bytes.
    // Reads at most the allocation entries of those clusters and one sector of data.
    virtual Recoverability recoverability(const FolderFile& file) {
        (void)file;
        return Recoverability::Unknown;
    }
    // Every named entry, folders included, of the directory of folder `key`, for an
    // engine whose folder tree comes from a scan that finds folders without their
    // names (FAT): the tree builder names the folders from their parents' entries.
    // kFolderFlag in FolderFile::flags marks folders. None by default.
    static constexpr std::uint32_t kFolderFlag = 1u << 31;
    virtual void listEntries(std::uint32_t key,
                             const std::function<bool(const FolderFile&)>& visit) {
        (void)key;
        (void)visit;
    }
};

} // namespace qr::volume
