#pragma once
// Recognising an exFAT boot sector by its fields (name, shifts, positions).
#include "disk/ByteView.h"
#include "volume/BootSectorCheck.h"

#include <optional>

namespace qr::exfat {

std::optional<volume::BootSectorVolume> RecogniseExfatBootSector(disk::ByteView sector);

} // namespace qr::exfat
