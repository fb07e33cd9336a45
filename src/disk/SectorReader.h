#pragma once
// The one primitive through which everything reads the medium: whole 512-byte
// sectors by absolute sector number. There is no write path.
#include "disk/DeviceFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::disk {

inline constexpr std::uint32_t kSectorSize = 512;
inline constexpr int kDeviceNames = 10;

// Device names by disk number. They start as the classic physical-drive names and
// are pointed at block devices or image files by the disk listing.
class DevicePathTable {
public:
    DevicePathTable();
    const std::string& name(unsigned disk) const;
    void setName(unsigned disk, std::string path);
    static std::string defaultName(unsigned disk);

private:
    std::array<std::string, kDeviceNames> names_;
};

class SectorReader {
public:
    SectorReader(app::RecoveryContext& context, std::shared_ptr<DeviceOpener> opener);

    // The reader's classic contract. Returns 1 when the run was read in one request;
    // 0 when it failed and was then read sector by sector as far as possible; the
    // sector count when the device cannot be opened (buffer untouched) or when the
    // platform flag is unknown. A count of 0 reads nothing and returns 1.
    std::uint32_t ReadSectors(const std::string& deviceName, std::uint32_t startLow,
                              std::uint32_t startHigh, std::uint32_t count, void* buffer);

    // Reads from the disk `selectedDiskNumber` of the context names.
    std::uint32_t read(std::uint64_t start, std::uint32_t count, void* buffer);

    // Name of the selected disk's device.
    std::string selectedDeviceName() const;

    // Sectors on the selected disk's medium (a partial last sector counts); 0 when the
    // device cannot be opened or does not tell its size.
    std::uint64_t mediumSectors();

    // Closes the kept handle (the next read opens the device again).
    void release();

    DevicePathTable& paths() { return paths_; }
    const DevicePathTable& paths() const { return paths_; }

private:
    std::shared_ptr<DeviceFile> handleFor(const std::string& name);
    std::uint32_t readNt(const std::string& name, std::uint64_t start, std::uint32_t count,
                         unsigned char* buffer);

    app::RecoveryContext& context_;
    std::shared_ptr<DeviceOpener> opener_;
    DevicePathTable paths_;
    std::mutex mutex_;
    std::string openName_;
    std::shared_ptr<DeviceFile> openFile_;
};

// The reaction to the first failed read: status line, hidden range controls in
// Advanced mode, and the partition search when the wizard is on the disk step.
void ReadFailureNotice(app::RecoveryContext& context);

} // namespace qr::disk
