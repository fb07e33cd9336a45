#include "disk/DeviceFile.h"

#include "disk/UdisksBroker.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::disk {

namespace {

class PosixDeviceFile final : public DeviceFile {
public:
    PosixDeviceFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~PosixDeviceFile() override { ::close(fd_); }
    PosixDeviceFile(const PosixDeviceFile&) = delete;
    PosixDeviceFile& operator=(const PosixDeviceFile&) = delete;

    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override {
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

    std::uint64_t size() const override { return size_; }

private:
    int fd_;
    std::uint64_t size_;
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
    if (::fstat(fd, &st) == 0) {
        if (S_ISBLK(st.st_mode)) {
            unsigned long long bytes = 0;
            if (::ioctl(fd, BLKGETSIZE64, &bytes) == 0)
                size = bytes;
        } else if (S_ISREG(st.st_mode)) {
            size = static_cast<std::uint64_t>(st.st_size);
        } else {
            ::close(fd);
            return nullptr; // only disks and images are media
        }
    }
    return std::make_unique<PosixDeviceFile>(fd, size);
}

} // namespace qr::disk
