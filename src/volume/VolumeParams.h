#pragma once
// Parameters of the volume under recovery, as validated or reconstructed.
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <string>

namespace qr::volume {

// Sector numbers are 64-bit: a volume may lie beyond 2^32 sectors on a large disk.
struct VolumeParams {
    std::string fileSystemName; // a registered file system's name, as shown and logged
    std::uint64_t partitionStart = 0;
    std::uint64_t partitionEnd = 0; // last sector inside the volume
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t rootSectors = 0;
    std::uint32_t rootStart = 0; // FAT16: root directory sector; FAT32: root cluster
    std::uint32_t reservedSectors = 0;
    std::uint64_t cluster0Start = 0;
    std::uint64_t firstFat = 0;
    std::uint64_t secondFat = 0;
    std::uint64_t mftStart = 0;
    std::uint64_t mftMirrorStart = 0;
    std::uint32_t mftRecordSectors = 0;
    std::uint32_t indexRecordSectors = 0;

    FileSystemKind kind() const { return FileSystemKindFromName(fileSystemName); }
};

} // namespace qr::volume
