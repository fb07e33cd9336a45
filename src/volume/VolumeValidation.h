#pragma once
// Validation of the volume under recovery: its boot sector (and backup copy) is read
// and checked by its file system's engine, and the layout in VolumeParams is taken
// from it.
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

} // namespace qr::volume
