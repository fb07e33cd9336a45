#include "disk/DiskListing.h"

#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "platform/Programs.h"
#include "platform/RegistryData.h"
#include "platform/UserMessages.h"

#include <filesystem>

namespace qr::disk {

namespace {

constexpr auto kRoot = platform::RegistryRoot::ClassesRoot;
bool isProgram(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Removes every disk value of the store; the media key and its other subkeys (the image
// list) stay.
void forgetDisks(platform::RegistryStore& store) {
    for (const std::string& key : kGeometryKeys)
        store.deleteKey(kRoot, key);
    for (unsigned n = 0; n < kListedDiskSlots; ++n)
        store.deleteValue(kRoot, kMediaKey, diskValueName(n));
}

} // namespace

void ListDisksFromRegistry95(DiskListingPorts& ports) {
    ports.tree.addRoot();
    // Disks are read by BIOS unit, which the reader takes from the classic names.
    ports.reader.release();
    for (unsigned n = 0; n < kDeviceNames; ++n)
        ports.reader.paths().setName(n, DevicePathTable::defaultName(n));
    if (ports.registry)
        for (unsigned n = 0; n < kListedDiskSlots; ++n) {
            const std::string name = diskValueName(n);
            if (!platform::ReadRegistryString(*ports.registry, kRoot, kCylinderKey, name).empty())
                ports.tree.addDisk(name);
        }
    ports.tree.expandRoot();
}

std::string DetectorPath(const std::string& installationPath) {
    return (std::filesystem::path(installationPath) / kDetectorProgram).string();
}

ListingResult ListDisks(DiskListingPorts& ports) {
    if (!ports.registry)
        return ListingResult::EndProcess;
    platform::RegistryStore& store = *ports.registry;

    // Nothing of an earlier listing may leak into this one.
    for (const std::string& key : kGeometryKeys)
        store.deleteKey(kRoot, key);
    store.deleteKey(kRoot, kMediaKey); // stays while other subkeys (the image list) live
    if (ports.win95)
        return ListDisks95(ports);
    if (store.keyExists(kRoot, kMediaKey))
        for (unsigned n = 0; n < kListedDiskSlots; ++n)
            store.deleteValue(kRoot, kMediaKey, diskValueName(n));
    if (!store.createKey(kRoot, kMediaKey))
        return ListingResult::EndProcess;
    return ListDisksFromRegistry(ports);
}

ListingResult ListDisksFromRegistry(DiskListingPorts& ports) {
    if (ports.win95) {
        ListDisksFromRegistry95(ports);
        return ListingResult::Listed;
    }
    if (!ports.registry || !ports.registry->createKey(kRoot, kMediaKey))
        return ListingResult::Listed; // no effect, as when the key cannot be created
    platform::RegistryStore& store = *ports.registry;
    for (const std::string& key : kGeometryKeys)
        if (key != kDisplayDeviceKey && !store.createKey(kRoot, key))
            return ListingResult::EndProcess;

    ports.tree.addRoot();
    const std::string detector = DetectorPath(ports.installationPath);
    if (ports.installationPath.empty() || !isProgram(detector)) {
        ports.tree.expandRoot();
        return ListingResult::DetectorMissing;
    }
    if (ports.programs.runAndWaitAtMost(detector, ports.programLimit).timedOut) {
        // Whatever a stopped detector had begun to leave is not trusted: the listing goes
        // on as after a detector that found no disk.
        if (ports.messages)
            ports.messages->error(ProgramStoppedMessage(kDetectorProgram, ports.programLimit));
        forgetDisks(store);
    }
    if (!store.keyExists(kRoot, kMediaKey))
        return ListingResult::EndProcess;

    // The devices may have changed: forget the kept handle and the old names.
    ports.reader.release();
    DevicePathTable& paths = ports.reader.paths();
    for (unsigned n = 0; n < kDeviceNames; ++n)
        paths.setName(n, DevicePathTable::defaultName(n));

    for (unsigned n = 0; n < kListedDiskSlots; ++n) {
        const std::string name = diskValueName(n);
        if (platform::ReadRegistryString(store, kRoot, kMediaKey, name).empty()) {
            ports.emptyDiskSlotSeen = true;
            continue;
        }
        ports.anyDiskFound = true;
        ports.tree.addDisk(name);
        if (n < kDeviceNames)
            if (std::string path = store.value(kRoot, kPathKey, name).value_or(""); !path.empty())
                paths.setName(n, path);
    }
    if (ports.noMediaDialog && ports.emptyDiskSlotSeen && !ports.anyDiskFound)
        ports.noMediaDialog();
    ports.tree.expandRoot();
    return ListingResult::Listed;
}

} // namespace qr::disk
