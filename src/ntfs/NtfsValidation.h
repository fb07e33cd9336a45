#pragma once
// NTFS boot-sector validation: the copy at the volume's start or the one at its last
// sector gives the layout, and the MFT and its mirror must begin with "FILE".
#include "volume/VolumeParams.h"

#include <string>

namespace qr::disk {
class SectorSource;
}

namespace qr::ntfs {

// 1 when the layout came from a valid boot sector; else 0 and `why` for a developer.
// A null source is no medium.
int ValidateNtfsVolume(disk::SectorSource* source, volume::VolumeParams& params,
                       std::string* why = nullptr);

} // namespace qr::ntfs
