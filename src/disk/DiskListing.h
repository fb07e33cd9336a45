#pragma once
// The list of disks: runs the detection program, which leaves each disk's geometry
// in the registry store, and turns those values into the "Disk" + n items of the disk
// tree and the device names of DevicePathTable.
#include "disk/MediaProbe.h"

#include <chrono>
#include <functional>
#include <string>

namespace qr::platform {
class RegistryStore;
class UserMessages;
class ProgramRunner;
} // namespace qr::platform

namespace qr::disk {

class SectorReader;

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

// The disk tree as the listing fills it: a root item with one child per disk.
class DiskTreeView {
public:
    virtual ~DiskTreeView() = default;
    // Adds the root item unless there is one.
    virtual void addRoot() = 0;
    // Adds the disk item under the root unless an earlier listing already did.
    virtual void addDisk(const std::string& label) = 0;
    virtual void expandRoot() = 0;
};

// What a listing reads and fills in.
struct DiskListingPorts {
    platform::RegistryStore* registry = nullptr;
    platform::UserMessages* messages = nullptr;
    platform::ProgramRunner& programs;
    SectorReader& reader;
    DiskTreeView& tree;
    std::string installationPath;
    // The 95 family: disks are read by BIOS unit through the disk library.
    bool win95 = false;
    // Shown when a repeated listing (one after the start-up prompt) found no disk.
    std::function<void()> noMediaDialog;
    // Set, never cleared: whether any listing found a disk or an empty slot.
    bool& anyDiskFound;
    bool& emptyDiskSlotSeen;
    // How long the detector (on 'F': for one unit) and the 'F' probe may run before they
    // are stopped.
    std::chrono::milliseconds programLimit = kProbeLimit;
};

// The full listing: removes the values of the previous listing, then lists afresh.
ListingResult ListDisks(DiskListingPorts& ports);

// Runs the detector and adds a tree item per disk it left; also what "Retry" of the
// No Media dialog runs.
ListingResult ListDisksFromRegistry(DiskListingPorts& ports);

// The 'F' halves of the two above (chosen by `win95`).
ListingResult ListDisks95(DiskListingPorts& ports);
void ListDisksFromRegistry95(DiskListingPorts& ports);

struct GeometryRecord;
// Stores what the detector's record told of disk `disk` as the 'F' listing does: model
// and media type "Unknown", the three counts and the size they make.
void StoreGeometry95(platform::RegistryStore& store, unsigned disk, const GeometryRecord& record);

// Full path of the detection program in `installationPath`.
std::string DetectorPath(const std::string& installationPath);

} // namespace qr::disk
