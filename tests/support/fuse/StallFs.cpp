// A FUSE file system with one file, "medium.img", read from a backing image. The first
// read that reaches past a given byte offset waits until a release file appears, and
// writes a held file while it waits: a test can change the backing image (cut it, as a
// medium that stops answering) at a known point of a program's reading. Reads that
// touch bytes BAD_FROM to BAD_TO-1 fail with EIO, as sectors a medium cannot read.
//
//   stall-fs BACKING MOUNTPOINT OFFSET HELD RELEASE [BAD_FROM BAD_TO]
//
// Sizes are not cached, so a fresh open or stat sees the backing image as it is now.
#define FUSE_USE_VERSION 31
#include <fuse3/fuse.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kFile = "/medium.img";

struct Settings {
    std::string backing, held, release;
    off_t stallAt = 0;
    bool stalled = false;
    off_t badFrom = 0, badTo = 0;
};

Settings& settings() {
    static Settings s;
    return s;
}

int getAttr(const char* path, struct stat* st, fuse_file_info*) {
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0555;
        st->st_nlink = 2;
        return 0;
    }
    if (std::strcmp(path, kFile) != 0)
        return -ENOENT;
    struct stat backing {};
    if (::stat(settings().backing.c_str(), &backing) != 0)
        return -errno;
    st->st_mode = S_IFREG | 0444;
    st->st_nlink = 1;
    st->st_size = backing.st_size;
    return 0;
}

int readDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buf, ".", nullptr, 0, fuse_fill_dir_flags{});
    fill(buf, "..", nullptr, 0, fuse_fill_dir_flags{});
    fill(buf, kFile + 1, nullptr, 0, fuse_fill_dir_flags{});
    return 0;
}

int openFile(const char* path, fuse_file_info* fi) {
    if (std::strcmp(path, kFile) != 0)
        return -ENOENT;
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::open(settings().backing.c_str(), O_RDONLY);
    if (fd < 0)
        return -errno;
    fi->fh = static_cast<std::uint64_t>(fd);
    fi->direct_io = 1; // every read reaches this process: no read-ahead past the offset
    return 0;
}

void holdOnce() {
    Settings& s = settings();
    s.stalled = true;
    if (const int fd = ::open(s.held.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); fd >= 0)
        ::close(fd);
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (::access(s.release.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

int readFile(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
    const Settings& s = settings();
    if (!s.stalled && offset + off_t(size) > s.stallAt)
        holdOnce();
    if (offset < s.badTo && offset + off_t(size) > s.badFrom)
        return -EIO;
    const ssize_t n = ::pread(int(fi->fh), buf, size, offset);
    return n < 0 ? -errno : int(n);
}

int releaseFile(const char*, fuse_file_info* fi) {
    ::close(int(fi->fh));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 8) {
        std::fprintf(stderr,
                     "usage: stall-fs BACKING MOUNTPOINT OFFSET HELD RELEASE [BAD_FROM BAD_TO]\n");
        return 2;
    }
    Settings& s = settings();
    s.backing = argv[1];
    s.stallAt = off_t(std::strtoll(argv[3], nullptr, 10));
    s.held = argv[4];
    s.release = argv[5];
    if (argc == 8) {
        s.badFrom = off_t(std::strtoll(argv[6], nullptr, 10));
        s.badTo = off_t(std::strtoll(argv[7], nullptr, 10));
    }

    fuse_operations ops{};
    ops.getattr = getAttr;
    ops.readdir = readDir;
    ops.open = openFile;
    ops.read = readFile;
    ops.release = releaseFile;
    // Single-threaded and in the background once mounted; no cached sizes or names.
    char prog[] = "stall-fs", single[] = "-s", opt[] = "-o",
         opts[] = "ro,attr_timeout=0,entry_timeout=0,negative_timeout=0";
    char* args[] = {prog, single, opt, opts, argv[2], nullptr};
    return fuse_main(5, args, &ops, nullptr);
}
