#pragma once
// The working copy of the FAT layout that the tree builder, file list and
// extraction read. Cluster n begins at cluster0Start + n * sectorsPerCluster.
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <string>

namespace qr::fat {

struct ActiveGeometry {
    std::string fileSystemName;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t rootSectors = 0;
    std::uint32_t rootStart = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t cluster0Start = 0;
    std::uint32_t firstFat = 0;
    std::uint32_t secondFat = 0;
    // NTFS working slots.
    std::uint32_t mftStart = 0;
    std::uint32_t mftMirrorStart = 0;
    std::uint32_t mftRecordSectors = 0;
    std::uint32_t indexRecordSectors = 0;

    volume::FileSystemKind kind() const { return volume::FileSystemKindFromName(fileSystemName); }
};

} // namespace qr::fat
