#pragma once
// A read-only sector source over an image file, for engine tests and benchmarks.
#include "disk/SectorSource.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::test {

class ImageSource final : public disk::SectorSource {
public:
    explicit ImageSource(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {}
    ~ImageSource() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        const std::size_t bytes = std::size_t{count} * disk::kSectorBytes;
        if (fd_ < 0) {
            std::memset(buffer, 0, bytes);
            return disk::ReadStatus::NoMedium;
        }
        ++reads;
        std::size_t done = 0;
        while (done < bytes) {
            const ssize_t got = ::pread(fd_, buffer + done, bytes - done,
                                        static_cast<off_t>(start * disk::kSectorBytes + done));
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        // Only what the image did not give is cleared: a whole-buffer clear costs a
        // sixth of a warm sweep.
        std::memset(buffer + done, 0, bytes - done);
        return done == bytes ? disk::ReadStatus::Complete : disk::ReadStatus::Partial;
    }

    std::uint64_t sectorCount() override {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0)
            return 0;
        return (static_cast<std::uint64_t>(st.st_size) + disk::kSectorBytes - 1) /
               disk::kSectorBytes;
    }

    std::uint64_t reads = 0;

private:
    int fd_ = -1;
};

} // namespace qr::test
