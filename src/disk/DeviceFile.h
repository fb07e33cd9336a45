#pragma once
// The file interface under the sector reader: a read-only device or image opened by
// name. Tests put an in-memory or failing device behind it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qr::disk {

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // Reads up to `length` bytes at `offset`. Returns the bytes read (0 at or past the
    // end), or -1 when the device reported an error for that range.
    virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
    // Size in bytes, or 0 when unknown.
    virtual std::uint64_t size() const = 0;
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

// Block devices and image files through open(O_RDONLY) and pread.
class PosixDeviceOpener final : public DeviceOpener {
public:
    std::unique_ptr<DeviceFile> open(const std::string& name) override;
};

} // namespace qr::disk
