#include "disk/SectorReader.h"

#include "app/RecoveryContext.h"

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

SectorReader::SectorReader(app::RecoveryContext& context, std::shared_ptr<DeviceOpener> opener)
    : context_(context), opener_(std::move(opener)) {}

std::string SectorReader::selectedDeviceName() const {
    return paths_.name(context_.selectedDiskNumber);
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
    switch (context_.platform) {
    case app::PlatformFamily::NT:
        return readNt(deviceName, start, count, static_cast<unsigned char*>(buffer));
    case app::PlatformFamily::Win95:
        // The BIOS disk library of that family does not exist on this system.
        if (context_.messages)
            context_.messages->error("disk32.dll not found");
        return 0;
    }
    return count;
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

std::uint32_t SectorReader::readNt(const std::string& name, std::uint64_t start,
                                   std::uint32_t count, unsigned char* buffer) {
    std::shared_ptr<DeviceFile> file = handleFor(name);
    if (!file)
        return count;
    if (count == 0)
        return 1;
    const std::size_t length = static_cast<std::size_t>(count) * kSectorSize;
    // A run whose byte offset does not fit a file offset lies behind the end of any
    // medium: read as nothing, like the end of an image.
    constexpr std::uint64_t kMaxSectors = static_cast<std::uint64_t>(INT64_MAX) / kSectorSize;
    if (start >= kMaxSectors - count) {
        std::memset(buffer, 0, length);
        return 1;
    }
    const std::int64_t got = file->readAt(start * kSectorSize, buffer, length);
    if (got >= 0) {
        // Behind the end of an image nothing is read; zero it rather than leave stale
        // bytes that a caller would take for medium content.
        if (static_cast<std::size_t>(got) < length)
            std::memset(buffer + got, 0, length - static_cast<std::size_t>(got));
        return 1;
    }
    ReadFailureNotice(context_);
    for (std::uint64_t i = 0; i < count; ++i) {
        unsigned char* sector = buffer + i * kSectorSize;
        const std::int64_t one = file->readAt((start + i) * kSectorSize, sector, kSectorSize);
        if (one >= 0 && one < static_cast<std::int64_t>(kSectorSize))
            std::memset(sector + one, 0, kSectorSize - static_cast<std::size_t>(one));
    }
    return 0;
}

void ReadFailureNotice(app::RecoveryContext& context) {
    // Counted up first, in one step, so a failure on another thread at the same moment
    // cannot give a second notice.
    std::uint32_t first = 1;
    if (!context.readFailureNotices.compare_exchange_strong(first, 2))
        return;
    app::WindowItems& window = context.window();
    window.setItemText(app::item::kStatusLine,
                       "Partition table has been corrupted, Now Quarrixdale Recovery - Memory "
                       "Card is searchig partitions...");
    if (context.searchMode == app::kSearchAdvanced) {
        context.tableCorrupted = true;
        for (int id :
             {app::item::kPartitionType, app::item::kPartitionTypeLabel, app::item::kStartSector,
              app::item::kStartSectorLabel, app::item::kEndSector, app::item::kEndSectorLabel})
            window.showItem(id, false);
    }
    if (context.wizardStage == 0 && context.startPartitionSearch)
        context.startPartitionSearch();
}

} // namespace qr::disk
