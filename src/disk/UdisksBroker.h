#pragma once
// Opening a whole disk for a user who may not read its device node: the desktop's
// disk service (udisks2) opens it read-only on the user's behalf, after asking for
// the administrator's password when its policy wants one, and hands over the
// descriptor over D-Bus. The D-Bus library is loaded at run time, so machines
// without it simply have no broker.
#include <string>

namespace qr::disk {

struct BrokeredOpen {
    int fd = -1;         // a read-only descriptor, owned by the caller; -1 on failure
    std::string failure; // why not, for the message to the user
};

class DeviceBroker {
public:
    virtual ~DeviceBroker() = default;
    virtual BrokeredOpen openReadOnly(const std::string& device) = 0;
};

// udisks2's Block.OpenDevice("r") through sd-bus (libsystemd.so.0).
class UdisksBroker final : public DeviceBroker {
public:
    BrokeredOpen openReadOnly(const std::string& device) override;
};

// udisks2's object path for a device node: /dev/sdb ->
// /org/freedesktop/UDisks2/block_devices/sdb (characters other than letters, digits
// and '_' escaped as _XX). Empty when the name has no file part.
std::string UdisksObjectPath(const std::string& device);

// The one message for a disk the user may not read.
std::string DeviceAccessMessage(const std::string& device, const std::string& brokerFailure);

} // namespace qr::disk
