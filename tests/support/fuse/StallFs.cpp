// A FUSE file system with one file, "medium.img", read from a backing image. The first
// read that reaches past a given byte offset waits until a release file appears, and
// writes a held file while it waits: a test can change the backing image (cut it, as a
// medium that stops answering) at a known point of a program's reading. Reads that
// touch bytes BAD_FROM to BAD_TO-1 fail with EIO, as sectors a medium cannot read.
// Further faults are words after the positional arguments:
//   bad=FROM:TO       reads touching bytes FROM to TO-1 fail with EIO (repeatable)
//   slow=FROM:TO:MS   reads touching bytes FROM to TO-1 take MS milliseconds more
//   gone=N            the N-th read (from 1) and every later one fail with ENXIO, as a
//                     card that dropped off the bus
//   rate=BYTES        reads deliver at most BYTES bytes a second, as a slow card reader
// The file "counts" lists, for every 512-byte sector of the medium read so far, the
// sector and how many reads asked for it ("SECTOR COUNT" lines).
//
//   stall-fs BACKING MOUNTPOINT OFFSET HELD RELEASE [BAD_FROM BAD_TO] [FAULT...]
//
// Sizes are not cached, so a fresh open or stat sees the backing image as it is now.
#define FUSE_USE_VERSION 31
#include <fuse3/fuse.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr const char* kFile = "/medium.img";
constexpr const char* kCounts = "/counts";
constexpr off_t kSector = 512;

struct Range {
    off_t from = 0, to = 0;
    bool touches(off_t offset, size_t size) const {
        return offset < to && offset + off_t(size) > from;
    }
};

struct Settings {
    std::string backing, held, release;
    off_t stallAt = 0;
    bool stalled = false;
    std::vector<Range> bad;
    Range slow;
    unsigned slowMs = 0;
    std::uint64_t goneFrom = 0;       // 0: never
    std::uint64_t bytesPerSecond = 0; // 0: as fast as the backing image
    // When the bytes served so far at that rate have all been delivered.
    std::chrono::steady_clock::time_point rateClock{};
    std::uint64_t reads = 0;
    std::vector<std::uint32_t> counts; // reads per sector, grown as reads reach further
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
    if (std::strcmp(path, kCounts) == 0) {
        st->st_mode = S_IFREG | 0444; // read with direct_io: its size is not looked at
        st->st_nlink = 1;
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
    fill(buf, kCounts + 1, nullptr, 0, fuse_fill_dir_flags{});
    return 0;
}

int openFile(const char* path, fuse_file_info* fi) {
    const bool counts = std::strcmp(path, kCounts) == 0;
    if (!counts && std::strcmp(path, kFile) != 0)
        return -ENOENT;
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    if (counts) {
        fi->fh = ~std::uint64_t{0};
        fi->direct_io = 1;
        return 0;
    }
    const int fd = ::open(settings().backing.c_str(), O_RDONLY);
    if (fd < 0)
        return -errno;
    fi->fh = static_cast<std::uint64_t>(fd);
    fi->direct_io = 1; // every read reaches this process: no read-ahead past the offset
    return 0;
}

// Holds a read of `size` bytes until the rate allows it: the time it takes at the rate
// is added behind the previous reads' (an idle medium does not bank time).
void throttle(size_t size) {
    Settings& s = settings();
    if (s.bytesPerSecond == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    const auto cost = std::chrono::nanoseconds(
        static_cast<std::int64_t>(size * 1'000'000'000.0 / double(s.bytesPerSecond)));
    s.rateClock = std::max(s.rateClock, now) + cost;
    std::this_thread::sleep_until(s.rateClock);
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

std::string countsText() {
    std::string text;
    const std::vector<std::uint32_t>& counts = settings().counts;
    for (std::size_t i = 0; i < counts.size(); ++i)
        if (counts[i] > 0)
            text += std::to_string(i) + " " + std::to_string(counts[i]) + "\n";
    return text;
}

void count(off_t offset, size_t size) {
    std::vector<std::uint32_t>& counts = settings().counts;
    const auto last = std::size_t((offset + off_t(size) - 1) / kSector);
    if (counts.size() <= last)
        counts.resize(last + 1);
    for (std::size_t i = std::size_t(offset / kSector); i <= last; ++i)
        ++counts[i];
}

int readFile(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
    Settings& s = settings();
    if (fi->fh == ~std::uint64_t{0}) {
        const std::string text = countsText();
        if (offset >= off_t(text.size()))
            return 0;
        const size_t n = std::min(size, text.size() - size_t(offset));
        std::memcpy(buf, text.data() + offset, n);
        return int(n);
    }
    if (size == 0)
        return 0;
    ++s.reads;
    count(offset, size);
    if (s.goneFrom != 0 && s.reads >= s.goneFrom)
        return -ENXIO;
    if (!s.stalled && offset + off_t(size) > s.stallAt)
        holdOnce();
    if (s.slowMs > 0 && s.slow.touches(offset, size))
        std::this_thread::sleep_for(std::chrono::milliseconds(s.slowMs));
    for (const Range& bad : s.bad)
        if (bad.touches(offset, size))
            return -EIO;
    const ssize_t n = ::pread(int(fi->fh), buf, size, offset);
    if (n > 0)
        throttle(size_t(n));
    return n < 0 ? -errno : int(n);
}

int releaseFile(const char*, fuse_file_info* fi) {
    if (fi->fh != ~std::uint64_t{0})
        ::close(int(fi->fh));
    return 0;
}

// "bad=FROM:TO", "slow=FROM:TO:MS", "gone=N" or "rate=BYTES"; false when the word is
// none of them.
bool readFault(const std::string& word) {
    Settings& s = settings();
    long long from = 0, to = 0;
    unsigned long long n = 0;
    unsigned ms = 0;
    if (std::sscanf(word.c_str(), "bad=%lld:%lld", &from, &to) == 2 && from < to) {
        s.bad.push_back({off_t(from), off_t(to)});
        return true;
    }
    if (std::sscanf(word.c_str(), "slow=%lld:%lld:%u", &from, &to, &ms) == 3 && from < to) {
        s.slow = {off_t(from), off_t(to)};
        s.slowMs = ms;
        return true;
    }
    if (std::sscanf(word.c_str(), "gone=%llu", &n) == 1 && n > 0) {
        s.goneFrom = n;
        return true;
    }
    if (std::sscanf(word.c_str(), "rate=%llu", &n) == 1 && n > 0) {
        s.bytesPerSecond = n;
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    Settings& s = settings();
    int next = 6;
    if (argc >= 8 && std::strchr(argv[6], '=') == nullptr) {
        s.bad.push_back(
            {off_t(std::strtoll(argv[6], nullptr, 10)), off_t(std::strtoll(argv[7], nullptr, 10))});
        next = 8;
    }
    bool faultsRead = argc >= 6;
    for (int i = next; i < argc && faultsRead; ++i)
        faultsRead = readFault(argv[i]);
    if (!faultsRead) {
        std::fprintf(stderr, "usage: stall-fs BACKING MOUNTPOINT OFFSET HELD RELEASE [BAD_FROM "
                             "BAD_TO] [bad=FROM:TO]... [slow=FROM:TO:MS] [gone=N] [rate=BYTES]\n");
        return 2;
    }
    s.backing = argv[1];
    s.stallAt = off_t(std::strtoll(argv[3], nullptr, 10));
    s.held = argv[4];
    s.release = argv[5];

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
