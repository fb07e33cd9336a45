#include "app/EmptyPartitionStep.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qr::app {

bool DeviceAccessDenied(RecoveryContext& context, std::uint16_t disk) {
    if (!context.reader || disk >= disk::kDeviceNames)
        return false;
    const std::string& path = context.reader->paths().name(disk);
    // Read-only, closed at once: only the answer of the open matters.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EACCES || errno == EPERM;
}

std::string EmptyPartitionStepText(RecoveryContext& context, std::uint16_t disk) {
    if (disk >= volume::kMaxDisks || context.partitions[disk].count > 0)
        return {};
    const std::string name = "Disk" + std::to_string(disk);
    if (DeviceAccessDenied(context, disk))
        return name + " cannot be read: this user may not open its device. Run the program "
                      "with access to the device (as root, or as a member of its group).";
    return "No partition was found on " + name +
           ": its partition table is empty or damaged. Use Search More Partitions, or "
           "search the whole disk in Advanced mode.";
}

} // namespace qr::app
