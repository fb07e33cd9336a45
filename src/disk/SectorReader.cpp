#include "disk/SectorReader.h"

#include <algorithm>
#include <chrono>
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

void SectorReader::setSlowAreaHook(std::function<void(std::uint64_t)> hook) {
    binding_.slowArea = std::move(hook);
}

void SectorReader::presetUnreadable(const std::string& name, std::uint64_t first,
                                    std::uint64_t count) {
    std::lock_guard lock(mutex_);
    preset_[name].emplace_back(first, count);
    if (failedOn_ == name)
        failed_.add(first, count);
}

std::string SectorReader::readName() const {
    return paths_.name(binding_.selectedDisk ? binding_.selectedDisk() : 0);
}

std::string SectorReader::selectedDeviceName() const {
    if (binding_.backEnd && binding_.backEnd() == ReaderBackEnd::Bios && binding_.listedMedium)
        if (std::string medium = binding_.listedMedium(); !medium.empty())
            return medium;
    return readName();
}

std::uint64_t SectorReader::mediumSectors() {
    if (binding_.backEnd && binding_.backEnd() == ReaderBackEnd::Bios)
        return binding_.listedSectors ? binding_.listedSectors() : 0;
    const std::shared_ptr<DeviceFile> file = handleFor(readName());
    return file ? (file->size() + kSectorSize - 1) / kSectorSize : 0;
}

std::uint32_t SectorReader::deviceSectorBytes() {
    return deviceSectorBytesOf(readName());
}

std::uint32_t SectorReader::deviceSectorBytesOf(const std::string& name) {
    if (binding_.backEnd && binding_.backEnd() == ReaderBackEnd::Bios)
        return 0;
    const std::shared_ptr<DeviceFile> file = handleFor(name);
    return file ? file->logicalSectorBytes() : 0;
}

std::uint32_t SectorReader::read(std::uint64_t start, std::uint32_t count, void* buffer) {
    return ReadSectors(readName(), static_cast<std::uint32_t>(start),
                       static_cast<std::uint32_t>(start >> 32), count, buffer);
}

std::uint32_t SectorReader::ReadSectors(const std::string& deviceName, std::uint32_t startLow,
                                        std::uint32_t startHigh, std::uint32_t count,
                                        void* buffer) {
    pause_.waitWhilePaused();
    const std::uint64_t start = (static_cast<std::uint64_t>(startHigh) << 32) | startLow;
    if (binding_.backEnd && binding_.backEnd() == ReaderBackEnd::Bios) {
        ReadStatus status = ReadStatus::Complete;
        return readBios(deviceName, start, count, static_cast<unsigned char*>(buffer), false,
                        status);
    }
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
    pause_.waitWhilePaused();
    const ReadStatus status = readRun(readName(), start, count, buffer, true);
    if (status == ReadStatus::NoMedium && count > 0)
        std::memset(buffer, 0, std::size_t{count} * kSectorSize);
    return status;
}

ReadStatus SectorReader::readRun(const std::string& name, std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer, bool zeroUnreadable) {
    switch (binding_.backEnd ? binding_.backEnd() : ReaderBackEnd::Device) {
    case ReaderBackEnd::Device:
        return readNt(name, start, count, buffer, zeroUnreadable);
    case ReaderBackEnd::Bios: {
        ReadStatus status = ReadStatus::Complete;
        readBios(name, start, count, buffer, zeroUnreadable, status);
        return status;
    }
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

ReadDisk32Function SectorReader::biosFunction() {
    std::string message;
    ReadDisk32Function function = nullptr;
    {
        std::lock_guard lock(mutex_);
        switch (disk32_.load(binding_.libraryFolder ? binding_.libraryFolder() : std::string())) {
        case Disk32Load::Loaded:
            disk32Reported_ = false;
            function = disk32_.function();
            break;
        case Disk32Load::LibraryMissing:
            message = kDisk32Missing;
            break;
        case Disk32Load::FunctionMissing:
            message = kReadDisk32Missing;
            break;
        }
        if (!function && disk32Reported_)
            message.clear();
        if (!function)
            disk32Reported_ = true;
    }
    if (!message.empty() && binding_.error)
        binding_.error(message);
    return function;
}

std::uint32_t SectorReader::readBios(const std::string& name, std::uint64_t start,
                                     std::uint32_t count, unsigned char* buffer,
                                     bool zeroUnreadable, ReadStatus& status) {
    const std::size_t length = std::size_t{count} * kSectorSize;
    const ReadDisk32Function function = biosFunction();
    const std::uint32_t unit = BiosUnitOf(name);
    if (!function || unit == 0) {
        status = ReadStatus::NoMedium;
        if (zeroUnreadable && count > 0)
            std::memset(buffer, 0, length);
        return 0;
    }
    // Only the low half of the start reaches the library. A caller that wants real
    // data (the engines) gets zeros for sectors it cannot address rather than the
    // wrong sectors of a wrapped number.
    std::uint32_t reachable = count;
    if (zeroUnreadable) {
        constexpr std::uint64_t kBiosLimit = std::uint64_t{1} << 32;
        reachable =
            start >= kBiosLimit
                ? 0
                : static_cast<std::uint32_t>(std::min<std::uint64_t>(count, kBiosLimit - start));
        if (reachable < count)
            std::memset(buffer + std::size_t{reachable} * kSectorSize, 0,
                        std::size_t{count - reachable} * kSectorSize);
        if (reachable == 0 && count > 0) {
            status = ReadStatus::Partial;
            return 0;
        }
    }
    const auto low = static_cast<std::uint32_t>(start);
    if (const std::uint32_t result = function(unit, 0, 0, 1, reachable, buffer, low, 1);
        result != 0) {
        status = reachable < count ? ReadStatus::Partial : ReadStatus::Complete;
        return result;
    }
    if (binding_.readFailed)
        binding_.readFailed();
    for (std::uint32_t i = 0; i < reachable; ++i) {
        unsigned char* sector = buffer + std::size_t{i} * kSectorSize;
        if (function(unit, 0, 0, 1, 1, sector, low + i, 1) == 0 && zeroUnreadable)
            std::memset(sector, 0, kSectorSize); // unreadable: zeros, never stale bytes
    }
    status = ReadStatus::Partial;
    return 0;
}

ReadStatus SectorReader::readNt(const std::string& name, std::uint64_t start, std::uint32_t count,
                                unsigned char* buffer, bool zeroUnreadable) {
    // A medium that went away (a card pulled out) is not asked again; what a read of it
    // gave is no content.
    const ReadStatus status = readNtAnswered(name, start, count, buffer, zeroUnreadable);
    if (!gone_)
        return status;
    std::memset(buffer, 0, static_cast<std::size_t>(count) * kSectorSize);
    return ReadStatus::NoMedium;
}

ReadStatus SectorReader::readNtAnswered(const std::string& name, std::uint64_t start,
                                        std::uint32_t count, unsigned char* buffer,
                                        bool zeroUnreadable) {
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
    {
        // What failed on one medium says nothing of another.
        std::lock_guard lock(mutex_);
        if (failedOn_ != name) {
            failed_.clear();
            failedOn_ = name;
            gone_ = false;
            if (const auto it = preset_.find(name); it != preset_.end())
                for (const auto& [first, sectors] : it->second)
                    failed_.add(first, sectors);
        }
    }
    if (!failed_.any(start, count)) {
        if (readOnce(*file, start, count, buffer) != Try::Failed)
            return ReadStatus::Complete;
        if (binding_.readFailed)
            binding_.readFailed();
        locateFailures(*file, start, count, buffer, zeroUnreadable);
        return ReadStatus::Partial;
    }
    // Sectors known to fail are not asked for again; the runs between them are read.
    if (binding_.readFailed)
        binding_.readFailed();
    std::uint64_t at = start;
    const auto readUpTo = [&](std::uint64_t end) {
        unsigned char* const into = buffer + (at - start) * kSectorSize;
        if (end > at && readOnce(*file, at, end - at, into) == Try::Failed)
            locateFailures(*file, at, end - at, into, zeroUnreadable);
    };
    failed_.forEachIn(start, count, [&](std::uint64_t first, std::uint64_t sectors) {
        readUpTo(first);
        if (zeroUnreadable)
            std::memset(buffer + (first - start) * kSectorSize, 0, sectors * kSectorSize);
        at = first + sectors;
    });
    readUpTo(start + count);
    return ReadStatus::Partial;
}

SectorReader::Try SectorReader::readOnce(DeviceFile& file, std::uint64_t start, std::uint64_t count,
                                         unsigned char* buffer) {
    const std::size_t length = static_cast<std::size_t>(count) * kSectorSize;
    const auto began = std::chrono::steady_clock::now();
    if (gone_)
        return Try::Failed;
    const std::int64_t got = file.readAt(start * kSectorSize, buffer, length);
    if (got == DeviceFile::kGone)
        gone_ = true;
    if (got < 0)
        return Try::Failed;
    // Behind the end of an image nothing is read; zero it rather than leave stale bytes
    // that a caller would take for medium content.
    if (static_cast<std::size_t>(got) < length)
        std::memset(buffer + got, 0, length - static_cast<std::size_t>(got));
    const auto took = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now() - began);
    if (!slowJudge_.slow(length, static_cast<std::uint64_t>(took.count())))
        return Try::Read;
    if (slowAreas_.tellNow(start) && binding_.slowArea)
        binding_.slowArea(start);
    return Try::ReadSlowly;
}

void SectorReader::remember(std::uint64_t sector, unsigned char* buffer, bool zeroUnreadable) {
    failed_.add(sector, 1);
    if (zeroUnreadable)
        std::memset(buffer, 0, kSectorSize); // unreadable: zeros, never stale bytes
}

void SectorReader::locateFailures(DeviceFile& file, std::uint64_t start, std::uint64_t count,
                                  unsigned char* buffer, bool zeroUnreadable) {
    // Sector by sector while the medium answers quickly; over a slow area the pieces
    // double, and a piece that fails there is halved down to its failing sectors.
    constexpr std::uint64_t kLargestPiece = 1 << 16;
    std::uint64_t piece = 1;
    for (std::uint64_t i = 0; i < count;) {
        const std::uint64_t n = std::min(piece, count - i);
        unsigned char* const at = buffer + i * kSectorSize;
        switch (readOnce(file, start + i, n, at)) {
        case Try::Failed:
            if (n == 1)
                remember(start + i, at, zeroUnreadable);
            else
                halve(file, start + i, n, at, zeroUnreadable, true);
            break;
        case Try::Read:
            piece = 1;
            break;
        case Try::ReadSlowly:
            piece = std::min(piece * 2, kLargestPiece);
            break;
        }
        i += n;
    }
}

bool SectorReader::halve(DeviceFile& file, std::uint64_t start, std::uint64_t count,
                         unsigned char* buffer, bool zeroUnreadable, bool failing) {
    if (!failing && readOnce(file, start, count, buffer) != Try::Failed)
        return true;
    if (count == 1) {
        remember(start, buffer, zeroUnreadable);
        return false;
    }
    // The whole failed. When its first half reads, the failure is in the second half:
    // that half is split at once rather than asked for whole again.
    const std::uint64_t half = count / 2;
    const bool firstRead = halve(file, start, half, buffer, zeroUnreadable, false);
    halve(file, start + half, count - half, buffer + half * kSectorSize, zeroUnreadable, firstRead);
    return false;
}

} // namespace qr::disk
