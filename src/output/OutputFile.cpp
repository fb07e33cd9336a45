#include "output/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::output {

OutputFile::~OutputFile() {
    close();
}

bool OutputFile::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    // Only a regular file is ever removed again, never a device the path led to.
    struct stat st {};
    path_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? path : std::string();
    failed_ = false;
    return true;
}

bool OutputFile::write(const void* data, std::size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = ::write(fd_, p, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n < 0 ? std::strerror(errno) : "nothing written";
            failed_ = true;
            return false;
        }
        p += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::sync() {
    if (fd_ < 0)
        return false;
    while (::fsync(fd_) != 0) {
        if (errno == EINTR)
            continue;
        error_ = std::strerror(errno);
        failed_ = true;
        return false;
    }
    return true;
}

void OutputFile::startWriteBack() {
    // Its errors are reported by sync().
    if (fd_ >= 0)
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool OutputFile::close() {
    if (fd_ < 0)
        return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) {
        error_ = std::strerror(errno);
        failed_ = true;
    }
    if (failed_ && !path_.empty())
        ::unlink(path_.c_str()); // incomplete: it must not pass for a recovered file
    return !failed_;
}

} // namespace qr::output
