#include "platform/FileRegistryStore.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace qr::platform {

namespace {

// Larger files are not ours; they read as empty instead of filling memory.
constexpr std::size_t kMaxStoreBytes = 16 * 1024 * 1024;

// An flock on a side file; the store file itself is replaced by rename, so it cannot
// carry the lock.
class StoreLock {
public:
    StoreLock(const std::filesystem::path& file, bool exclusive) {
        const std::string lockName = file.string() + ".lock";
        fd_ = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        int rc;
        do
            rc = ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
        while (rc < 0 && errno == EINTR);
        locked_ = rc == 0;
    }
    ~StoreLock() {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

RegistryData load(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string text;
    char chunk[8192];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > kMaxStoreBytes) {
            text.clear();
            break;
        }
    }
    ::close(fd);
    return RegistryData::parse(text);
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool save(const std::filesystem::path& file, const RegistryData& data) {
    const std::string temp = file.string() + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, data.serialize()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::filesystem::path defaultRegistryPath() {
    if (std::string path = environment(kRegistryPathVariable); !path.empty())
        return path;
    std::filesystem::path base = environment("XDG_CONFIG_HOME");
    if (base.empty() || base.is_relative()) {
        std::string home = environment("HOME");
        base = std::filesystem::path(home.empty() ? "/tmp" : home) / ".config";
    }
    return base / "quarrixdale" / "registry";
}

std::filesystem::path machineRegistryPath() {
    if (std::string path = environment(kMachineRegistryPathVariable); !path.empty())
        return path;
    if (!environment(kRegistryPathVariable).empty())
        return {};
    return kMachineRegistryPath;
}

FileRegistryStore::FileRegistryStore()
    : file_(defaultRegistryPath()), machine_(machineRegistryPath()) {}

FileRegistryStore::FileRegistryStore(std::filesystem::path file, std::filesystem::path machine)
    : file_(std::move(file)), machine_(std::move(machine)) {
    if (machine_ == file_)
        machine_.clear();
}

bool FileRegistryStore::inspect(const std::function<void(const RegistryData&)>& fn) {
    std::lock_guard guard(mutex_);
    StoreLock lock(file_, false);
    // Without the lock (a read-only folder) the file is still read: it is only ever
    // replaced whole, so a reader never sees half a file.
    RegistryData data = load(file_);
    if (!machine_.empty())
        data.addMissing(load(machine_));
    fn(data);
    return true;
}

bool FileRegistryStore::change(const std::function<bool(RegistryData&)>& fn) {
    std::lock_guard guard(mutex_);
    std::error_code ignored;
    if (file_.has_parent_path())
        std::filesystem::create_directories(file_.parent_path(), ignored);
    StoreLock lock(file_, true);
    if (!lock.locked())
        return false;
    RegistryData data = load(file_);
    if (!fn(data))
        return false;
    return save(file_, data);
}

} // namespace qr::platform
