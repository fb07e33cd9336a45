#pragma once
// Which platform family the program behaves as: 'N' (disks read as device files, the
// default) or 'F' (disks read by BIOS unit through the run-time disk library, listed
// through the detector's scratch-file exchange). The user picks 'F' with the
// environment variable below or the programs' option "--platform F".
#include <string>

namespace qr::platform {

inline constexpr const char* kPlatformVariable = "QUARRIXDALE_PLATFORM";

// 'F' when $QUARRIXDALE_PLATFORM is "F" or "f", else 'N'.
char ChosenPlatformFamily();

// Checks a value given to "--platform": true for "F", "f", "N" or "n", which is then
// stored in the environment (upper case) so the companion programs see it too.
bool ChoosePlatformFamily(const std::string& letter);

} // namespace qr::platform
