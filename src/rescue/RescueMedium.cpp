#include "rescue/RescueMedium.h"

#include "disk/DeviceFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::rescue {

DeviceRescueInput::DeviceRescueInput(std::shared_ptr<disk::DeviceOpener> opener, std::string name)
    : opener_(std::move(opener)), name_(std::move(name)),
      file_(opener_ ? opener_->open(name_) : nullptr) {}

DeviceRescueInput::~DeviceRescueInput() = default;

std::uint64_t DeviceRescueInput::openedSize() const {
    return file_ ? file_->size() : 0;
}

ReadAnswer DeviceRescueInput::read(std::uint64_t offset, void* buffer, std::size_t length) {
    if (!file_)
        return ReadAnswer::Gone;
    errno = 0;
    const std::int64_t got = file_->readAt(offset, buffer, length);
    if (got >= 0 && static_cast<std::size_t>(got) == length)
        return ReadAnswer::Read;
    if (got >= 0)
        return ReadAnswer::Gone; // the medium ends before its size: it shrank
    // The device file fails straight after the read that failed, so errno is its.
    return errno == ENXIO || errno == ENODEV || errno == ENOMEDIUM ? ReadAnswer::Gone
                                                                   : ReadAnswer::Bad;
}

std::uint64_t DeviceRescueInput::sizeNow() {
    const std::unique_ptr<disk::DeviceFile> fresh = opener_ ? opener_->open(name_) : nullptr;
    return fresh ? fresh->size() : 0;
}

ImageFileOutput::~ImageFileOutput() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string ImageFileOutput::open(const std::string& path, std::uint64_t size, bool fresh) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (fresh ? O_TRUNC : 0),
                 0644);
    if (fd_ < 0)
        return std::strerror(errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return "not a regular file";
    // Holes read as zeros: the areas never rescued cost no space.
    if (static_cast<std::uint64_t>(st.st_size) < size && ::ftruncate(fd_, off_t(size)) != 0)
        return std::strerror(errno);
    return {};
}

bool ImageFileOutput::write(std::uint64_t offset, const void* buffer, std::size_t length) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd_, bytes + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ImageFileOutput::flush() {
    return ::fdatasync(fd_) == 0;
}

} // namespace qr::rescue
