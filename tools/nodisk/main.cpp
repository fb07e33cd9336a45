// NoDisk: the media probe of the 'F' family. Leaves in the scratch folder
// ($QUARRIXDALE_SCRATCH_DIR) the file CARDINFO.TXT whose one character tells whether
// any medium is there: '1' when a disk image the user named or a disk with a medium
// is found, '0' when none is.
#include "../hdd/DetectedDisk.h"
#include "disk/DiskRegistry.h"
#include "disk/ScratchFolder.h"
#include "platform/FileRegistryStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

} // namespace

int main() {
    using namespace qr;
    const char* folder = std::getenv(disk::kScratchFolderVariable);
    if (!folder || !*folder) {
        std::cerr << "NoDisk: " << disk::kScratchFolderVariable << " is not set\n";
        return 1;
    }
    platform::FileRegistryStore registry;
    const bool anyMedium =
        !hdd::DetectImages(disk::RegisteredDiskImages(registry)).empty() ||
        !hdd::DetectBlockDevices(environment("QUARRIXDALE_SYSFS_BLOCK", "/sys/block"),
                                 environment("QUARRIXDALE_DEV_DIR", "/dev"))
             .empty();
    std::ofstream out(std::filesystem::path(folder) / disk::kProbeAnswerFile,
                      std::ios::binary | std::ios::trunc);
    out.put(anyMedium ? '1' : '0');
    out.close();
    if (!out) {
        std::cerr << "NoDisk: cannot write the answer in " << folder << "\n";
        return 1;
    }
    return 0;
}
