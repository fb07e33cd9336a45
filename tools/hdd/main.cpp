// Quarrixdale-HDD: finds the disks of this machine and the disk images the user
// named, and leaves each one's geometry in the registry store for the disk listing.
// Started with one empty argument; reads nothing from its command line. On the 'F'
// family it examines one disk instead: the BIOS unit byte in the scratch folder's
// "drvn1" names it, and its geometry record goes to "DP" beside it.
#include "DetectedDisk.h"
#include "disk/DiskRegistry.h"
#include "disk/GeometryResultFile.h"
#include "disk/ScratchFolder.h"
#include "platform/FileRegistryStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

std::vector<hdd::DetectedDisk> detectAll(platform::RegistryStore& registry) {
    // Images first, so the first image the user named is Disk0 (and unit 0x80).
    std::vector<hdd::DetectedDisk> disks = hdd::DetectImages(disk::RegisteredDiskImages(registry));
    for (auto& device :
         hdd::DetectBlockDevices(environment("QUARRIXDALE_SYSFS_BLOCK", "/sys/block"),
                                 environment("QUARRIXDALE_DEV_DIR", "/dev")))
        disks.push_back(std::move(device));
    return disks;
}

bool writeRecord(const std::filesystem::path& folder, const std::vector<unsigned char>& record) {
    std::ofstream out(folder / disk::kGeometryFile, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(record.data()),
              static_cast<std::streamsize>(record.size()));
    out.close();
    if (!out)
        std::cerr << "Quarrixdale-HDD: cannot write " << (folder / disk::kGeometryFile) << "\n";
    return static_cast<bool>(out);
}

// Answers the unit byte of `folder`'s unit file with the disk's geometry record. The
// cylinders are rounded up, so the geometry covers the whole disk and no sector at its
// end falls outside what the program reads. A unit with no disk behind it (one unplugged
// since the library looked) gets a record of unknown geometry: the program lists it
// with no size rather than ending for want of an answer.
int answerUnit(const std::filesystem::path& folder, platform::RegistryStore& registry) {
    std::ifstream in(folder / disk::kUnitFile, std::ios::binary);
    char byte = 0;
    if (!in.get(byte)) {
        std::cerr << "Quarrixdale-HDD: no unit byte in " << (folder / disk::kUnitFile) << "\n";
        return 1;
    }
    const unsigned unit = static_cast<unsigned char>(byte);
    const std::vector<hdd::DetectedDisk> disks = detectAll(registry);
    if (unit < 0x80 || unit - 0x80 >= disks.size()) {
        std::cerr << "Quarrixdale-HDD: no disk answers unit " << unit << "\n";
        return writeRecord(folder, disk::EncodeGeometryRecord(0, 0, 0)) ? 0 : 1;
    }
    const hdd::DetectedDisk& found = disks[unit - 0x80];
    // The program reads by unit; it learns the medium behind it (to keep saves off it).
    registry.setValue(kRoot, disk::kPathKey, disk::diskValueName(unit - 0x80), found.path);
    const std::uint64_t perCylinder =
        std::uint64_t{found.geometry.heads} * found.geometry.sectorsPerTrack;
    const std::uint64_t sectors = (found.sizeBytes + 511) / 512;
    const std::uint64_t cylinders = perCylinder ? (sectors + perCylinder - 1) / perCylinder : 0;
    return writeRecord(folder, disk::EncodeGeometryRecord(
                                   found.geometry.heads, found.geometry.sectorsPerTrack, cylinders))
               ? 0
               : 1;
}

} // namespace

int main() {
    platform::FileRegistryStore registry;
    if (const char* folder = std::getenv(disk::kScratchFolderVariable); folder && *folder) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::path(folder) / disk::kUnitFile, ec))
            return answerUnit(folder, registry);
    }
    std::vector<hdd::DetectedDisk> disks = detectAll(registry);
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
