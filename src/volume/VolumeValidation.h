#pragma once
// Validation of the volume under recovery: its boot sector (and backup copy) is read
// and checked, and the layout in VolumeParams is taken from it.
#include <cstdint>
#include <string>

namespace qr::disk {
class SectorSource;
}

namespace qr::volume {

struct VolumeParams;

// Checks the volume named by `params` (file-system name, start, end) on `source` (null:
// no medium) and fills its layout. Returns 1 when the layout came from a valid boot
// sector, 0 otherwise. When it returns 0, `why` (if given) tells a developer which
// check refused the volume; users only ever see the system's own messages.
int ValidateVolume(disk::SectorSource* source, VolumeParams& params, std::string* why = nullptr);

// The checks by file system, without the caption and the emptying of the tables: the
// boot sector of `params` (start, end) on `source` is checked and the layout stored
// in `params`. A FAT16 check that finds a FAT12 boot sector renames the volume FAT12
// and refuses it.
int ValidateFat16Volume(disk::SectorSource& source, VolumeParams& params,
                        std::string* why = nullptr);
int ValidateFat32Volume(disk::SectorSource& source, VolumeParams& params,
                        std::string* why = nullptr);
int ValidateNtfsVolume(disk::SectorSource& source, VolumeParams& params,
                       std::string* why = nullptr);
// exFAT: the main boot region (name, signature, shifts, FAT and heap inside the volume,
// boot checksum) or else the backup region twelve sectors on; its layout goes into
// the volume's parameters.
int ValidateExfatVolume(disk::SectorSource* source, VolumeParams& params,
                        std::string* why = nullptr);

} // namespace qr::volume
