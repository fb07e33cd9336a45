#include "setup/FileCopy.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::setup {

namespace {

// A descriptor closed with the object.
struct Fd {
    explicit Fd(int value) : fd(value) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd;
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

ssize_t readSome(int fd, char* data, std::size_t size) {
    for (;;) {
        ssize_t got = ::read(fd, data, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// A temporary file beside `target`, removed unless committed by a rename.
class TempBeside {
public:
    explicit TempBeside(const std::string& target) : target_(target) {
        std::filesystem::path t(target);
        std::string pattern =
            (t.parent_path() / ("." + t.filename().string() + ".setup-XXXXXX")).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ >= 0)
            name_ = pattern;
    }
    ~TempBeside() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!name_.empty())
            ::unlink(name_.c_str());
    }
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;

    int fd() const { return fd_; }

    bool commit(mode_t mode) {
        const bool ok = ::fchmod(fd_, mode) == 0 && ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!ok || !closed || ::rename(name_.c_str(), target_.c_str()) != 0)
            return false;
        name_.clear();
        return true;
    }

private:
    std::string target_;
    std::string name_;
    int fd_ = -1;
};

} // namespace

bool CopyOver(const std::string& source, const std::string& target) {
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat from {};
    if (in.fd < 0 || ::fstat(in.fd, &from) != 0 || !S_ISREG(from.st_mode))
        return false;
    struct stat existing {};
    mode_t mode = from.st_mode & 0777;
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            return false; // a folder or a device under that name is not replaced
        mode = existing.st_mode & 07777;
    }
    TempBeside temp(target);
    if (temp.fd() < 0)
        return false;
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = readSome(in.fd, buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (!writeAll(temp.fd(), buffer, static_cast<std::size_t>(got)))
            return false;
    }
    return temp.commit(mode);
}

bool SameContents(const std::string& a, const std::string& b) {
    Fd fa(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    Fd fb(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sa {
    }, sb{};
    if (fa.fd < 0 || fb.fd < 0 || ::fstat(fa.fd, &sa) != 0 || ::fstat(fb.fd, &sb) != 0 ||
        !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size)
        return false;
    char ba[1 << 15], bb[1 << 15];
    for (;;) {
        ssize_t ga = readSome(fa.fd, ba, sizeof ba);
        if (ga < 0)
            return false;
        // Fill the same amount from b (a short read there is not a difference).
        ssize_t gb = 0;
        while (gb < ga) {
            ssize_t more = readSome(fb.fd, bb + gb, static_cast<std::size_t>(ga - gb));
            if (more <= 0)
                return false;
            gb += more;
        }
        if (ga == 0)
            return readSome(fb.fd, bb, 1) == 0;
        if (std::string_view(ba, static_cast<std::size_t>(ga)) !=
            std::string_view(bb, static_cast<std::size_t>(gb)))
            return false;
    }
}

bool WriteFileReplacing(const std::string& path, const std::string& text, mode_t mode) {
    TempBeside temp(path);
    return temp.fd() >= 0 && writeAll(temp.fd(), text.data(), text.size()) && temp.commit(mode);
}

} // namespace qr::setup
