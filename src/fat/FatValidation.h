#pragma once
// FAT16 and FAT32 boot-sector validation: the layout of a volume whose boot sector (or,
// on FAT32, its backup six sectors on) holds goes into the volume's parameters.
#include "volume/VolumeParams.h"

#include <string>

namespace qr::disk {
class SectorSource;
}

namespace qr::fat {

// 1 when the layout came from a valid boot sector; else 0 and `why` for a developer.
// A null source is no medium.
// FAT12 is named, never searched: always 0, with the reason.
int ValidateFat12Volume(disk::SectorSource* source, volume::VolumeParams& params,
                        std::string* why = nullptr);
// A FAT16 check that finds a FAT12 boot sector renames the volume FAT12 and refuses it.
int ValidateFat16Volume(disk::SectorSource* source, volume::VolumeParams& params,
                        std::string* why = nullptr);
int ValidateFat32Volume(disk::SectorSource* source, volume::VolumeParams& params,
                        std::string* why = nullptr);

} // namespace qr::fat
