#pragma once
// The allocation table of a file system inferred without its boot region: the found
// FAT starts in front of its heap are tried nearest first, and one is kept only when
// the chains it gives hold for the streams the file system is known to have chained
// (the allocation bitmap, the up-case table, the root directory and its live folders
// that have no "no FAT chain" flag). A new format's FAT at the old place fails them.
#include "disk/SectorSource.h"
#include "exfat/InferExfatFileSystems.h"
#include "exfat/StructureSweep.h"

namespace qr::exfat {

// Sets the geometry's fatStart and fatSectors when a FAT proves itself; leaves them 0
// otherwise. A file system from a boot region keeps its own.
void LocateSurvivingFat(disk::SectorSource& source, const ExfatFindings& findings,
                        ExfatFileSystem& system);

} // namespace qr::exfat
