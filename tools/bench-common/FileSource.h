#pragma once
// The timing tools' sector source: an image or device file read through the read-only
// device layer, short reads filled with zeros and reported as partial.
#include "disk/DeviceFile.h"
#include "disk/SectorSource.h"

#include <cstring>
#include <memory>

namespace qr::bench {

class FileSource final : public disk::SectorSource {
public:
    explicit FileSource(std::unique_ptr<disk::DeviceFile> file) : file_(std::move(file)) {}
    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        const std::size_t length = std::size_t{count} * disk::kSectorBytes;
        const std::int64_t n = file_->readAt(start * disk::kSectorBytes, buffer, length);
        const std::size_t got = n > 0 ? static_cast<std::size_t>(n) : 0;
        if (got < length)
            std::memset(buffer + got, 0, length - got);
        return got == length ? disk::ReadStatus::Complete : disk::ReadStatus::Partial;
    }
    std::uint64_t sectorCount() override {
        return (file_->size() + disk::kSectorBytes - 1) / disk::kSectorBytes;
    }

private:
    std::unique_ptr<disk::DeviceFile> file_;
};

} // namespace qr::bench
