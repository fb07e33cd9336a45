#include "disk/DeviceFile.h"

#include "disk/UdisksBroker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qr::disk {

namespace {

class PosixDeviceFile final : public DeviceFile {
public:
    PosixDeviceFile(int fd, std::uint64_t size, std::uint32_t sectorBytes)
        : fd_(fd), size_(size), sectorBytes_(sectorBytes) {}
    ~PosixDeviceFile() override { ::close(fd_); }
    PosixDeviceFile(const PosixDeviceFile&) = delete;
    PosixDeviceFile& operator=(const PosixDeviceFile&) = delete;

    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override {
        if (sectorBytes_ > 512 && (offset % sectorBytes_ != 0 || length % sectorBytes_ != 0))
            return readAligned(offset, static_cast<unsigned char*>(buffer), length);
        return readWhole(offset, buffer, length);
    }

    std::uint64_t size() const override { return size_; }
    std::uint32_t logicalSectorBytes() const override { return sectorBytes_; }

private:
    // A device of larger logical sectors is asked only for whole ones of its own: the
    // covering run is read into a buffer and the part asked for copied out.
    std::int64_t readAligned(std::uint64_t offset, unsigned char* out, std::size_t length) {
        const std::uint64_t first = offset / sectorBytes_ * sectorBytes_;
        const std::uint64_t behind =
            (offset + length + sectorBytes_ - 1) / sectorBytes_ * sectorBytes_;
        std::vector<unsigned char> whole(static_cast<std::size_t>(behind - first));
        const std::int64_t got = readWhole(first, whole.data(), whole.size());
        if (got < 0)
            return got;
        const std::uint64_t skip = offset - first;
        if (static_cast<std::uint64_t>(got) <= skip)
            return 0;
        const std::size_t n = std::min<std::size_t>(
            length, static_cast<std::size_t>(static_cast<std::uint64_t>(got) - skip));
        std::memcpy(out, whole.data() + skip, n);
        return static_cast<std::int64_t>(n);
    }

    std::int64_t readWhole(std::uint64_t offset, void* buffer, std::size_t length) {
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < length) {
            ssize_t got =
                ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                // No such device or medium: the device is gone, not one range of it.
                if (errno == ENXIO || errno == ENODEV || errno == ENOMEDIUM)
                    return kGone;
                return kReadError;
            }
            if (got == 0)
                break; // end of the image
            done += static_cast<std::size_t>(got);
        }
        return static_cast<std::int64_t>(done);
    }

    int fd_;
    std::uint64_t size_;
    std::uint32_t sectorBytes_;
};

bool isMedium(const struct stat& st) {
    return S_ISREG(st.st_mode) || S_ISBLK(st.st_mode);
}

} // namespace

PosixDeviceOpener::PosixDeviceOpener() : PosixDeviceOpener(Report()) {}

PosixDeviceOpener::PosixDeviceOpener(Report report, std::shared_ptr<DeviceBroker> broker)
    : report_(std::move(report)),
      broker_(broker ? std::move(broker) : std::make_shared<UdisksBroker>()) {}

int PosixDeviceOpener::brokeredOpen(const std::string& name) {
    // Only a device node the user may not open goes to the broker; a missing node or
    // an image file keeps its plain failure.
    const int denied = errno;
    struct stat st {};
    if ((denied != EACCES && denied != EPERM) || ::stat(name.c_str(), &st) != 0 ||
        !S_ISBLK(st.st_mode))
        return -1;
    BrokeredOpen got = broker_->openReadOnly(name);
    if (got.fd >= 0) {
        // Whatever the broker hands over is used only when it is open for reading alone
        // and is a disk or an image.
        const int mode = ::fcntl(got.fd, F_GETFL);
        struct stat fst {};
        if (mode >= 0 && (mode & O_ACCMODE) == O_RDONLY && ::fstat(got.fd, &fst) == 0 &&
            (S_ISBLK(fst.st_mode) || S_ISREG(fst.st_mode)))
            return got.fd;
        ::close(got.fd);
        got.failure = "it handed over a descriptor that is not read-only";
    }
    std::lock_guard lock(mutex_);
    if (report_ && reported_.insert(name).second)
        report_(DeviceAccessMessage(name, got.failure));
    return -1;
}

std::string MediumProblem(const std::string& name) {
    constexpr const char* kNotMedium = "not a disk image file or block device";
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0)
        return std::strerror(errno);
    if (!isMedium(st))
        return kNotMedium;
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A whole disk the user may not open is still a medium: the opener asks the
        // broker for it.
        if ((errno == EACCES || errno == EPERM) && S_ISBLK(st.st_mode))
            return {};
        return std::strerror(errno);
    }
    // The path may have been swapped between the two looks.
    const bool ok = ::fstat(fd, &st) == 0 && isMedium(st);
    ::close(fd);
    return ok ? std::string() : kNotMedium;
}

std::unique_ptr<DeviceFile> PosixDeviceOpener::open(const std::string& name) {
    // Only disks and images are media. The type is looked at before the open, and the
    // open does not block, so a named pipe or a terminal can never hold the reader up.
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !isMedium(st))
        return nullptr;
    int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fd = brokeredOpen(name);
    if (fd < 0)
        return nullptr;
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::uint64_t size = 0;
    std::uint32_t sectorBytes = 0;
    if (::fstat(fd, &st) == 0) {
        if (S_ISBLK(st.st_mode)) {
            unsigned long long bytes = 0;
            if (::ioctl(fd, BLKGETSIZE64, &bytes) == 0)
                size = bytes;
            // Only sizes the program can read in whole 512-byte pieces count.
            int logical = 0;
            if (::ioctl(fd, BLKSSZGET, &logical) == 0 && logical >= 512 && logical <= 65536 &&
                logical % 512 == 0)
                sectorBytes = static_cast<std::uint32_t>(logical);
        } else if (S_ISREG(st.st_mode)) {
            size = static_cast<std::uint64_t>(st.st_size);
        } else {
            ::close(fd);
            return nullptr; // only disks and images are media
        }
    }
    return std::make_unique<PosixDeviceFile>(fd, size, sectorBytes);
}

} // namespace qr::disk
