#pragma once
// The FAT side of opening a file system that an advanced search identified: its
// directory heads become FolderTable rows, and its layout is loaded from its
// FileSystemTable row into an ActiveGeometry. A row inferred from directory heads
// alone has no FAT positions; they are searched for on the medium in front of the
// data area and written back into the row.
#include "fat/ActiveGeometry.h"
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <stop_token>

namespace qr::disk {
class SectorSource;
}
namespace qr::model {
class RecordTable;
struct RecordTables;
} // namespace qr::model

namespace qr::fat {

// Inserts a FolderTable row for every DirClusterTable row of file system `number`
// (1-based) in front of the rows already there (the Lost row), in head order, named
// "DIR" + the 0-based count of rows copied. Returns the count copied.
int CopyDirectoryHeads(const model::RecordTable& dirClusters, std::uint32_t number,
                       model::RecordTable& folderTable);

struct FatStarts {
    int found = 0; // 0, 1 or 2
    std::uint32_t first = 0;
    std::uint32_t second = 0;
};

// The first sectors of the two allocation tables in front of `cluster0Start`: the
// first two sectors that begin with 0xF8 0xFF 0xFF, searched from 550 (FAT16) or
// 30000 (FAT32) sectors before cluster 0 up to the sector before it, in batches. A
// window that would begin before sector 1 begins at sector 1: sector 0 holds a
// partition table or a boot sector, never an allocation table. Other kinds find none.
FatStarts FindFatStarts(disk::SectorSource& source, std::uint32_t cluster0Start,
                        volume::FileSystemKind kind, std::stop_token stop);

// FAT32 tables too large for that window (4 KiB clusters on an 8 GB card make two
// tables of 16,384 sectors each): the second table ends where cluster 2 begins, so the
// nearest table start below cluster 2 is the second one, and the first one lies as
// far below it again. Looks back as far as the largest FAT32 table reaches.
FatStarts FindFat32StartsBelowData(disk::SectorSource& source, std::uint32_t cluster0Start,
                                   std::uint32_t sectorsPerCluster, std::stop_token stop);

// The layout of file system `number` (1-based) from its FileSystemTable row. When the
// row has no first FAT, the FAT starts are searched for (FAT32 tables the window
// misses are then looked for below the data area); when both are found, the row's
// "firstFAT", "secondFAT", "SPF" and "Root Start" are written first. The
// geometry's name is the row's type, so a FAT16 search can go on as FAT32. A number
// without a row gives an empty geometry.
ActiveGeometry LoadPickedFileSystem(disk::SectorSource& source, model::RecordTable& fileSystems,
                                    std::uint32_t number, std::stop_token stop);

// Both of the above, as the file-system worker runs them before the lost-directory
// search: FolderTable gets the heads, the geometry comes back.
ActiveGeometry OpenPickedFileSystem(disk::SectorSource& source, model::RecordTables& tables,
                                    std::uint32_t number, std::stop_token stop);

} // namespace qr::fat
