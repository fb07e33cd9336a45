#pragma once
// What a recovery log (".DMS") holds: the disk it was made on, the partition and the
// search range, both copies of the volume layout, every folder of the rebuilt tree
// and, for NTFS, every file row. The format code writes and reads only this struct;
// taking it from the recovery state and giving it back is done elsewhere.
#include <cstdint>
#include <string>
#include <vector>

namespace qr::output {

// The twelve numeric volume fields, in the order the log stores them.
struct LogVolumeFields {
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t rootSectors = 0;
    std::uint32_t rootStart = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t cluster0Start = 0;
    std::uint32_t firstFat = 0;
    std::uint32_t secondFat = 0;
    std::uint32_t mftStart = 0;
    std::uint32_t mftMirrorStart = 0;
    std::uint32_t mftRecordSectors = 0;
    std::uint32_t indexRecordSectors = 0;

    bool operator==(const LogVolumeFields&) const = default;
};

// The high halves of the validated layout's sector numbers, which the twelve 32-bit
// fields cannot hold for a volume beyond 2^32 sectors. All zero for any other volume,
// whose log is then written exactly as logs always were.
struct LogWideSectors {
    std::uint32_t cluster0Start = 0;
    std::uint32_t firstFat = 0;
    std::uint32_t secondFat = 0;
    std::uint32_t mftStart = 0;
    std::uint32_t mftMirrorStart = 0;

    bool any() const {
        return (cluster0Start | firstFat | secondFat | mftStart | mftMirrorStart) != 0;
    }
    bool operator==(const LogWideSectors&) const = default;
};

// One folder of the tree, in tree insertion order.
struct FolderRecord {
    std::string name;
    std::uint32_t selfKey = 0;   // FAT: first cluster; NTFS: MFT number
    std::uint32_t parentKey = 0; // 0 (FAT) or 5 (NTFS) directly under the root
    std::uint64_t date = 0;
    std::uint64_t time = 0;
    bool deleted = false;

    bool operator==(const FolderRecord&) const = default;
};

// One NTFS file row.
struct FileRecord {
    std::string name;
    std::uint32_t sector = 0;
    std::uint32_t self = 0;
    std::uint32_t parent = 0;
    std::int64_t date = 0; // creation time, 100 ns since 1601
    std::uint32_t size = 0;
    std::uint32_t deleted = 0;

    bool operator==(const FileRecord&) const = default;
};

struct RecoveryLogSnapshot {
    std::string diskModel;
    std::uint8_t searchMode = 1; // 1 Standard, 2 Advance
    std::uint8_t diskNumber = 0;
    std::uint8_t searchDiskNumber = 0;
    std::uint8_t partitionIndex = 0;
    std::string partitionType; // file-system name as chosen for the partition
    std::string modeCaption;   // "Standard Search", "Advance Mode", ...
    std::uint64_t partitionStart = 0;
    std::uint64_t partitionEnd = 0;
    LogVolumeFields validated;
    LogWideSectors validatedHigh; // kept behind the mode caption (RecoveryLogFormat.h)
    LogVolumeFields working;
    std::string fileSystemName; // of the working copy; logs of file systems whose files are search
                                // rows carry `files`
    std::vector<FolderRecord> folders;
    std::vector<FileRecord> files;

    bool operator==(const RecoveryLogSnapshot&) const = default;
};

} // namespace qr::output
