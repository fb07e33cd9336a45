// libdisk32: the BIOS-unit disk library of the 'F' family. Unit 0x80 + n reads the
// n-th disk in the detector's order: the disk images the user named first, then the
// whole disks of this machine. Every read opens its disk read-only; nothing is ever
// written.
#include "../hdd/DetectedDisk.h"
#include "disk/DiskRegistry.h"
#include "platform/FileRegistryStore.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace qr;

constexpr std::uint32_t kFirstUnit = 0x80;
constexpr std::uint64_t kSector = 512;

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

struct UnitTable {
    std::mutex mutex;
    bool built = false;
    std::vector<std::string> paths;

    void rebuild() {
        paths.clear();
        platform::FileRegistryStore registry;
        for (const auto& image : hdd::DetectImages(disk::RegisteredDiskImages(registry)))
            paths.push_back(image.path);
        for (const auto& device :
             hdd::DetectBlockDevices(environment("QUARRIXDALE_SYSFS_BLOCK", "/sys/block"),
                                     environment("QUARRIXDALE_DEV_DIR", "/dev")))
            paths.push_back(device.path);
        built = true;
    }

    // The disk of `unit`; empty when there is none. The listing's probe of the units
    // begins with a lone read of unit 0x80's sector 0: the disks are looked up afresh
    // then, so disks and images named since the last listing are found.
    std::string pathOf(std::uint32_t unit, bool probe) {
        std::lock_guard lock(mutex);
        if (!built || (probe && unit == kFirstUnit))
            rebuild();
        const std::uint32_t n = unit - kFirstUnit;
        return unit >= kFirstUnit && n < paths.size() ? paths[n] : std::string();
    }
};

UnitTable& units() {
    static UnitTable table;
    return table;
}

// Reads `length` bytes at `offset`; what lies behind the end of the disk reads as
// zeros. False on a read error.
bool readAt(int fd, std::uint64_t offset, unsigned char* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    std::memset(buffer + done, 0, length - done);
    return true;
}

} // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t
ReadDisk32(std::uint32_t unit, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t count,
           void* buffer, std::uint32_t startLow, std::uint32_t) {
    const std::string path = units().pathOf(unit, count == 1 && startLow == 0);
    if (path.empty() || (!buffer && count > 0))
        return 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const bool ok = readAt(fd, std::uint64_t{startLow} * kSector,
                           static_cast<unsigned char*>(buffer), std::size_t{count} * kSector);
    ::close(fd);
    return ok ? 1 : 0;
}
