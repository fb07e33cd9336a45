#pragma once
// The list of disks: runs the detection program, which leaves each disk's geometry
// in the registry store, and turns those values into the "Disk" + n items of the disk
// tree and the device names of DevicePathTable.
#include <string>

namespace qr::app {
struct RecoveryContext;
}
namespace qr::platform {
class RegistryStore;
}

namespace qr::disk {

enum class ListingResult {
    Listed,
    // No detection program in the installation folder: nothing was listed.
    DetectorMissing,
    // The registry keys could not be created or reopened: the caller ends the process
    // with exit code 1.
    EndProcess,
    // A fatal failure of the 'F' listing; its message was shown, the caller ends the
    // process.
    Ended,
};

// The full listing: removes the values of the previous listing, then lists afresh.
ListingResult ListDisks(app::RecoveryContext& ctx);

// Runs the detector and adds a tree item per disk it left; also what "Retry" of the
// No Media dialog runs.
ListingResult ListDisksFromRegistry(app::RecoveryContext& ctx);

// The 'F' halves of the two above (ListDisks and ListDisksFromRegistry choose them
// by the context's platform family).
ListingResult ListDisks95(app::RecoveryContext& ctx);
void ListDisksFromRegistry95(app::RecoveryContext& ctx);

struct GeometryRecord;
// Stores what the detector's record told of disk `disk` as the 'F' listing does: model
// and media type "Unknown", the three counts and the size they make.
void StoreGeometry95(platform::RegistryStore& store, unsigned disk, const GeometryRecord& record);

// Full path of the detection program in `installationPath`.
std::string DetectorPath(const std::string& installationPath);

} // namespace qr::disk
