#pragma once
// What an imaging run reads from and writes to: the failing medium, which tells a read
// error apart from a medium that went away, and the image file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qr::disk {
class DeviceFile;
class DeviceOpener;
} // namespace qr::disk

namespace qr::rescue {

enum class ReadAnswer {
    Read, // every byte asked for was read
    Bad,  // the medium could not read some of them
    Gone, // the medium stopped answering (removed, off the bus)
};

class RescueInput {
public:
    virtual ~RescueInput() = default;
    virtual ReadAnswer read(std::uint64_t offset, void* buffer, std::size_t length) = 0;
    // The medium's size as it is now (looked at again, not remembered); 0 when gone.
    virtual std::uint64_t sizeNow() = 0;
};

class RescueOutput {
public:
    virtual ~RescueOutput() = default;
    virtual bool write(std::uint64_t offset, const void* buffer, std::size_t length) = 0;
    // Makes what was written durable before the map says it was rescued.
    virtual bool flush() = 0;
};

// A device or image opened read-only by name through `opener`. A read that fails with
// ENXIO, ENODEV or ENOMEDIUM is a medium gone; any other failure is a bad area.
class DeviceRescueInput final : public RescueInput {
public:
    DeviceRescueInput(std::shared_ptr<disk::DeviceOpener> opener, std::string name);
    ~DeviceRescueInput() override;
    bool opened() const { return file_ != nullptr; }
    std::uint64_t openedSize() const;
    ReadAnswer read(std::uint64_t offset, void* buffer, std::size_t length) override;
    std::uint64_t sizeNow() override;

private:
    std::shared_ptr<disk::DeviceOpener> opener_;
    std::string name_;
    std::unique_ptr<disk::DeviceFile> file_;
};

// The image file: created (or emptied) for a fresh run so what is never read stays
// zeros, kept as it is when a run resumes from its map; sized to the medium either way.
class ImageFileOutput final : public RescueOutput {
public:
    ImageFileOutput() = default;
    ~ImageFileOutput() override;
    ImageFileOutput(const ImageFileOutput&) = delete;
    ImageFileOutput& operator=(const ImageFileOutput&) = delete;
    // Empty on success, else why the image cannot be written.
    std::string open(const std::string& path, std::uint64_t size, bool fresh);
    bool write(std::uint64_t offset, const void* buffer, std::size_t length) override;
    bool flush() override;

private:
    int fd_ = -1;
};

} // namespace qr::rescue
