// Quarrixdale-HDD: finds the disks of this machine and the disk images the user
// named, and leaves each one's geometry in the registry store for the disk listing.
// Started with one empty argument; reads nothing from its command line.
#include "DetectedDisk.h"
#include "disk/DiskRegistry.h"
#include "platform/FileRegistryStore.h"

#include <cstdlib>
#include <iostream>

namespace {

using namespace qr;
constexpr auto kRoot = platform::RegistryRoot::ClassesRoot;

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

void store(platform::RegistryData& data, unsigned n, const hdd::DetectedDisk& disk) {
    const std::string name = disk::diskValueName(n);
    data.setValue(kRoot, disk::kMediaKey, name, disk.path);
    data.setValue(kRoot, disk::kModelKey, name, disk.model);
    data.setValue(kRoot, disk::kMediaTypeKey, name, disk.mediaType);
    data.setValue(kRoot, disk::kCylinderKey, name, std::to_string(disk.geometry.cylinders));
    data.setValue(kRoot, disk::kHeadKey, name, std::to_string(disk.geometry.heads));
    data.setValue(kRoot, disk::kSectorsPerTrackKey, name,
                  std::to_string(disk.geometry.sectorsPerTrack));
    data.setValue(kRoot, disk::kSizeKey, name, std::to_string(disk.sizeBytes));
    data.setValue(kRoot, disk::kPathKey, name, disk.path);
}

} // namespace

int main() {
    platform::FileRegistryStore registry;
    // Images first, so the first image the user named is Disk0.
    std::vector<hdd::DetectedDisk> disks = hdd::DetectImages(disk::RegisteredDiskImages(registry));
    for (auto& device :
         hdd::DetectBlockDevices(environment("QUARRIXDALE_SYSFS_BLOCK", "/sys/block"),
                                 environment("QUARRIXDALE_DEV_DIR", "/dev")))
        disks.push_back(std::move(device));
    if (disks.size() > disk::kListedDiskSlots) {
        std::cerr << "Quarrixdale-HDD: only the first " << disk::kListedDiskSlots
                  << " disks are listed\n";
        disks.resize(disk::kListedDiskSlots);
    }
    const bool written = registry.change([&](platform::RegistryData& data) {
        for (unsigned n = 0; n < disks.size(); ++n)
            store(data, n, disks[n]);
        return true;
    });
    if (!written) {
        std::cerr << "Quarrixdale-HDD: cannot write " << registry.file() << "\n";
        return 1;
    }
    return 0;
}
