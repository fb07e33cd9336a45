#pragma once
// The details of one disk as the right-panel list shows them when its item is clicked.
#include <cstdint>
#include <string>
#include <vector>

namespace qr::platform {
class RegistryStore;
}

namespace qr::disk {

// Header and width of the list's single column at the disk step.
inline const std::string kDiskDetailsColumn = " Disk Details";
inline constexpr int kDiskDetailsWidth = 485;

// The detail lines of disk `disk`, read from `registry` (values are empty without one).
// `shortForm`: the 95 family's five lines (no model or media type).
std::vector<std::string> DiskDetailLines(platform::RegistryStore* registry, bool shortForm,
                                         unsigned disk);

// One line that tells disk `disk` from the others: "Disk0 : MODEL, 64 MB, /dev/sdb" (the
// parts the listing did not record are left out), for the disk items' tooltips.
std::string DiskSummary(platform::RegistryStore* registry, unsigned disk);

// Disk size in bytes as the detector stored it (0 when missing or not a number).
std::uint64_t DiskSizeBytes(platform::RegistryStore* registry, unsigned disk);

// Whether the last listing listed disk `disk`: a nonempty "Disk" + n value of the
// media key ('N') or of its cylinder key ('F').
bool DiskIsListed(platform::RegistryStore* registry, bool win95, unsigned disk);

} // namespace qr::disk
