#pragma once
// exFAT boot-region validation: the main boot region (name, signature, shifts, FAT and
// heap inside the volume, boot checksum) or else the backup region twelve sectors on
// gives the layout, stored in the volume's parameters.
#include "volume/VolumeParams.h"

#include <string>

namespace qr::disk {
class SectorSource;
}

namespace qr::exfat {

// 1 when a boot region held; else 0 and `why` for a developer. A null source is no
// medium.
int ValidateExfatVolume(disk::SectorSource* source, volume::VolumeParams& params,
                        std::string* why = nullptr);

} // namespace qr::exfat
