#pragma once
// The file interface under the sector reader: a read-only device or image opened by
// name. Tests put an in-memory or failing device behind it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace qr::disk {

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // Reads up to `length` bytes at `offset`. Returns the bytes read (0 at or past the
    // end), kReadError when the device reported an error for that range, or kGone when
    // the device itself went away (a card pulled out of its reader).
    virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
    static constexpr std::int64_t kReadError = -1;
    static constexpr std::int64_t kGone = -2;
    // Size in bytes, or 0 when unknown.
    virtual std::uint64_t size() const = 0;
    // The device's logical sector size as its driver tells it; 0 for an image file or
    // a device that does not say.
    virtual std::uint32_t logicalSectorBytes() const { return 0; }
};

class DeviceOpener {
public:
    virtual ~DeviceOpener() = default;
    // nullptr when the device cannot be opened. Opens are always read-only.
    virtual std::unique_ptr<DeviceFile> open(const std::string& name) = 0;
};

// Empty when `name` can be read as a medium (an image file or a block device), else
// the reason it cannot. Never blocks: the type is checked before a non-blocking open,
// so a named pipe is refused instead of waiting for a writer.
std::string MediumProblem(const std::string& name);

class DeviceBroker;

// Block devices and image files through open(O_RDONLY) and pread. A whole disk the
// user may not read is asked of the broker (udisks2 unless another is given); when
// that fails too, `report` gets one message per device naming it and the ways to
// get access.
class PosixDeviceOpener final : public DeviceOpener {
public:
    using Report = std::function<void(const std::string& message)>;
    PosixDeviceOpener();
    explicit PosixDeviceOpener(Report report, std::shared_ptr<DeviceBroker> broker = {});
    std::unique_ptr<DeviceFile> open(const std::string& name) override;

private:
    int brokeredOpen(const std::string& name);

    Report report_;
    std::shared_ptr<DeviceBroker> broker_;
    std::mutex mutex_;
    std::set<std::string> reported_;
};

} // namespace qr::disk
