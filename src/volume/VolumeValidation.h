#pragma once
// Validation of the volume under recovery: its boot sector (and backup copy) is read
// and checked, and the layout in VolumeParams is taken from it.
#include <cstdint>
#include <string>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::volume {

// Checks the volume named by volumeParams (file-system name, start, end) and fills
// its layout. Returns 1 when the layout came from a valid boot sector, 0 otherwise.
// First empties the record tables a search fills, so searches never mix. When it
// returns 0, `why` (if given) tells a developer which check refused the volume; users
// only ever see the system's own messages.
int ValidateVolume(app::RecoveryContext& ctx, std::string* why = nullptr);

// The checks by file system, without the caption and the emptying of the tables.
int ValidateFat16Volume(app::RecoveryContext& ctx, std::string* why = nullptr);
int ValidateFat32Volume(app::RecoveryContext& ctx, std::string* why = nullptr);
int ValidateNtfsVolume(app::RecoveryContext& ctx, std::string* why = nullptr);

} // namespace qr::volume
