#pragma once
// Recognising an NTFS boot sector by its fields: its size, cluster size and the MFT and
// its mirror inside the volume.
#include "disk/ByteView.h"
#include "volume/BootSectorCheck.h"

#include <optional>

namespace qr::ntfs {

std::optional<volume::BootSectorVolume> RecogniseNtfsBootSector(disk::ByteView sector);

} // namespace qr::ntfs
