#include "disk/SectorReader.h"

#include <cstdint>
#include <cstring>

namespace qr::disk {

DevicePathTable::DevicePathTable() {
    for (unsigned i = 0; i < kDeviceNames; ++i)
        names_[i] = defaultName(i);
}

std::string DevicePathTable::defaultName(unsigned disk) {
    return "\\\\.\\PhysicalDrive" + std::to_string(disk);
}

const std::string& DevicePathTable::name(unsigned disk) const {
    static const std::string none;
    return disk < names_.size() ? names_[disk] : none;
}

void DevicePathTable::setName(unsigned disk, std::string path) {
    if (disk < names_.size())
        names_[disk] = std::move(path);
}

SectorReader::SectorReader(ReaderBinding binding, std::shared_ptr<DeviceOpener> opener)
    : binding_(std::move(binding)), opener_(std::move(opener)) {}

void SectorReader::setReadFailureHook(std::function<void()> hook) {
    binding_.readFailed = std::move(hook);
}

std::string SectorReader::selectedDeviceName() const {
    return paths_.name(binding_.selectedDisk ? binding_.selectedDisk() : 0);
}

std::uint64_t SectorReader::mediumSectors() {
    const std::shared_ptr<DeviceFile> file = handleFor(selectedDeviceName());
    return file ? (file->size() + kSectorSize - 1) / kSectorSize : 0;
}

std::uint32_t SectorReader::read(std::uint64_t start, std::uint32_t count, void* buffer) {
    return ReadSectors(selectedDeviceName(), static_cast<std::uint32_t>(start),
                       static_cast<std::uint32_t>(start >> 32), count, buffer);
}

std::uint32_t SectorReader::ReadSectors(const std::string& deviceName, std::uint32_t startLow,
                                        std::uint32_t startHigh, std::uint32_t count,
                                        void* buffer) {
    const std::uint64_t start = (static_cast<std::uint64_t>(startHigh) << 32) | startLow;
    switch (readRun(deviceName, start, count, static_cast<unsigned char*>(buffer), false)) {
    case ReadStatus::Complete:
        return 1;
    case ReadStatus::Partial:
        return 0;
    case ReadStatus::NoMedium:
        break;
    }
    return count;
}

ReadStatus SectorReader::readSectors(std::uint64_t start, std::uint32_t count,
                                     unsigned char* buffer) {
    const ReadStatus status = readRun(selectedDeviceName(), start, count, buffer, true);
    if (status == ReadStatus::NoMedium && count > 0)
        std::memset(buffer, 0, std::size_t{count} * kSectorSize);
    return status;
}

ReadStatus SectorReader::readRun(const std::string& name, std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer, bool zeroUnreadable) {
    switch (binding_.backEnd ? binding_.backEnd() : ReaderBackEnd::Device) {
    case ReaderBackEnd::Device:
        return readNt(name, start, count, buffer, zeroUnreadable);
    case ReaderBackEnd::Bios:
        // The BIOS disk library of that family does not exist on this system.
        if (binding_.error)
            binding_.error("disk32.dll not found");
        if (zeroUnreadable)
            std::memset(buffer, 0, std::size_t{count} * kSectorSize);
        return ReadStatus::Partial;
    case ReaderBackEnd::Unknown:
        break;
    }
    return ReadStatus::NoMedium;
}

std::shared_ptr<DeviceFile> SectorReader::handleFor(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (!openFile_ || openName_ != name) {
        std::shared_ptr<DeviceFile> file = opener_ ? opener_->open(name) : nullptr;
        if (!file)
            return nullptr; // not kept: the next read tries again
        openFile_ = std::move(file);
        openName_ = name;
    }
    return openFile_;
}

void SectorReader::release() {
    std::lock_guard lock(mutex_);
    openFile_.reset();
    openName_.clear();
}

ReadStatus SectorReader::readNt(const std::string& name, std::uint64_t start, std::uint32_t count,
                                unsigned char* buffer, bool zeroUnreadable) {
    std::shared_ptr<DeviceFile> file = handleFor(name);
    if (!file)
        return ReadStatus::NoMedium;
    if (count == 0)
        return ReadStatus::Complete;
    const std::size_t length = static_cast<std::size_t>(count) * kSectorSize;
    // A run whose byte offset does not fit a file offset lies behind the end of any
    // medium: read as nothing, like the end of an image.
    constexpr std::uint64_t kMaxSectors = static_cast<std::uint64_t>(INT64_MAX) / kSectorSize;
    if (start >= kMaxSectors - count) {
        std::memset(buffer, 0, length);
        return ReadStatus::Complete;
    }
    const std::int64_t got = file->readAt(start * kSectorSize, buffer, length);
    if (got >= 0) {
        // Behind the end of an image nothing is read; zero it rather than leave stale
        // bytes that a caller would take for medium content.
        if (static_cast<std::size_t>(got) < length)
            std::memset(buffer + got, 0, length - static_cast<std::size_t>(got));
        return ReadStatus::Complete;
    }
    if (binding_.readFailed)
        binding_.readFailed();
    for (std::uint64_t i = 0; i < count; ++i) {
        unsigned char* sector = buffer + i * kSectorSize;
        const std::int64_t one = file->readAt((start + i) * kSectorSize, sector, kSectorSize);
        if (one < 0 && zeroUnreadable)
            std::memset(sector, 0, kSectorSize); // unreadable: zeros, never stale bytes
        else if (one >= 0 && one < static_cast<std::int64_t>(kSectorSize))
            std::memset(sector + one, 0, kSectorSize - static_cast<std::size_t>(one));
    }
    return ReadStatus::Partial;
}

} // namespace qr::disk
