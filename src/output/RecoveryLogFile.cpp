#include "output/RecoveryLogFile.h"

#include "platform/UserMessages.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace qr::output {

namespace {

constexpr std::string_view kEnding = ".DMS";

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool HasLogEnding(const std::string& path) {
    if (path.size() < kEnding.size())
        return false;
    const std::size_t at = path.size() - kEnding.size();
    for (std::size_t i = 0; i < kEnding.size(); ++i)
        if (upper(path[at + i]) != kEnding[i])
            return false;
    return true;
}

std::string WithLogEnding(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.find('.', nameStart) == std::string::npos)
        return path + std::string(kEnding);
    return path;
}

std::optional<std::string> ChooseLogSavePath(const ChooseLogPath& choose,
                                             platform::UserMessages& messages) {
    // Set once a name without the ending was entered: the dialog did not ask about
    // replacing the file it names, so this loop does.
    bool typedWithoutEnding = false;
    for (;;) {
        std::optional<std::string> chosen = choose();
        if (!chosen)
            return std::nullopt;
        if (!HasLogEnding(*chosen))
            typedWithoutEnding = true;
        const std::string path = WithLogEnding(*chosen);
        if (!HasLogEnding(path)) {
            messages.error(kInvalidExtension);
            continue;
        }
        std::error_code error;
        if (typedWithoutEnding && std::filesystem::exists(path, error) &&
            !messages.askYesNo(path + kAlreadyExists))
            continue;
        return path;
    }
}

LogWriteResult WriteLogFile(const std::string& path, std::span<const unsigned char> bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return LogWriteResult::CannotOpen;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? LogWriteResult::Written : LogWriteResult::CannotWrite;
}

LogFileBytes ReadLogFile(const std::string& path) {
    LogFileBytes out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return out;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return out;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    if (size > kLogFileMax) {
        ::close(fd);
        out.result = LogReadResult::TooLarge;
        return out;
    }
    out.result = LogReadResult::ReadFailed;
    try {
        out.bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        out.bytes = {};
        return out;
    }
    std::size_t done = 0;
    while (done < out.bytes.size()) {
        const ssize_t n = ::read(fd, out.bytes.data() + done, out.bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    // One more byte means the file grew while it was read: not the file that was sized.
    unsigned char extra = 0;
    const bool grew = done == out.bytes.size() && ::read(fd, &extra, 1) > 0;
    ::close(fd);
    if (done != out.bytes.size() || grew) {
        out.bytes = {};
        return out;
    }
    out.result = LogReadResult::Read;
    return out;
}

} // namespace qr::output
