#pragma once
// Validation of the volume under recovery: its boot sector (and backup copy) is read
// and checked, and the layout in VolumeParams is taken from it.
#include <cstdint>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::volume {

// Checks the volume named by volumeParams (file-system name, start, end) and fills
// its layout. Returns 1 when the layout came from a valid boot sector, 0 otherwise.
// First empties the record tables a search fills, so searches never mix.
int ValidateVolume(app::RecoveryContext& ctx);

// The checks by file system, without the caption and the emptying of the tables.
int ValidateFat16Volume(app::RecoveryContext& ctx);
int ValidateFat32Volume(app::RecoveryContext& ctx);
int ValidateNtfsVolume(app::RecoveryContext& ctx);

} // namespace qr::volume
