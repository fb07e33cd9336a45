#pragma once
// An image served through the stall-fs FUSE file (tests/support/fuse/StallFs.cpp): the
// first read past `stallAt` waits until the test lets it go, and reads of the bytes
// `badFrom` to `badTo`-1 fail as unreadable sectors. FuseFaults adds more bad ranges, a
// slow range, a medium that stops answering from a chosen read on and a read rate;
// readCounts() tells how often each sector was asked for. Unmounted when it goes away.
// Only where stall-fs was built (STALL_FS); usable() says whether FUSE is there.
#include "support/TestSupport.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qr::test {

// Byte ranges [first, second) of the backing image.
struct FuseFaults {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> bad; // reads fail with EIO
    std::pair<std::uint64_t, std::uint64_t> slow{};           // reads take slowMs more
    unsigned slowMs = 0;
    std::uint64_t goneFromRead = 0;   // this read (from 1) and every later one: ENXIO
    std::uint64_t bytesPerSecond = 0; // reads deliver at most this many bytes a second
};

#ifdef STALL_FS
class FuseMedium {
public:
    static bool usable() {
        return std::filesystem::exists("/dev/fuse") && haveTools({"fusermount3"});
    }

    FuseMedium(const std::filesystem::path& backing, std::uint64_t stallAt,
               std::uint64_t badFrom = 0, std::uint64_t badTo = 0) {
        mountWith(backing, stallAt,
                  badTo > badFrom ? " " + std::to_string(badFrom) + " " + std::to_string(badTo)
                                  : std::string());
    }
    FuseMedium(const std::filesystem::path& backing, const FuseFaults& faults) {
        mountWith(backing, kNever, faultWords(faults));
    }
    ~FuseMedium() {
        letGo();
        if (mounted_)
            run("fusermount3 -u " + shellQuote(mount().string()));
    }
    FuseMedium(const FuseMedium&) = delete;
    FuseMedium& operator=(const FuseMedium&) = delete;

    static constexpr std::uint64_t kNever = std::numeric_limits<std::int64_t>::max();

    bool mounted() const { return mounted_; }
    std::filesystem::path medium() const { return mount() / "medium.img"; }
    // Waits until a reader is held at the offset; false after a minute.
    bool waitHeld() const {
        for (int i = 0; i < 6000 && !std::filesystem::exists(held()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return std::filesystem::exists(held());
    }
    // Reads per 512-byte sector so far (sectors never read are left out).
    std::map<std::uint64_t, std::uint32_t> readCounts() const {
        std::map<std::uint64_t, std::uint32_t> counts;
        std::ifstream in((mount() / "counts").string());
        std::uint64_t sector = 0;
        std::uint32_t count = 0;
        while (in >> sector >> count)
            counts[sector] = count;
        return counts;
    }
    void letGo() const {
        if (!std::filesystem::exists(release()))
            std::ofstream(release().string()).put('\n');
    }

private:
    void mountWith(const std::filesystem::path& backing, std::uint64_t stallAt,
                   const std::string& extra) {
        std::filesystem::create_directory(mount());
        mounted_ = run(shellQuote(STALL_FS) + " " + shellQuote(backing.string()) + " " +
                       shellQuote(mount().string()) + " " + std::to_string(stallAt) + " " +
                       shellQuote(held().string()) + " " + shellQuote(release().string()) + extra)
                       .exitCode == 0;
    }
    static std::string faultWords(const FuseFaults& faults) {
        std::string words;
        for (const auto& [from, to] : faults.bad)
            words += " bad=" + std::to_string(from) + ":" + std::to_string(to);
        if (faults.slowMs > 0)
            words += " slow=" + std::to_string(faults.slow.first) + ":" +
                     std::to_string(faults.slow.second) + ":" + std::to_string(faults.slowMs);
        if (faults.goneFromRead > 0)
            words += " gone=" + std::to_string(faults.goneFromRead);
        if (faults.bytesPerSecond > 0)
            words += " rate=" + std::to_string(faults.bytesPerSecond);
        return words;
    }
    std::filesystem::path mount() const { return dir_ / "mnt"; }
    std::filesystem::path held() const { return dir_ / "held"; }
    std::filesystem::path release() const { return dir_ / "release"; }
    TempDir dir_;
    bool mounted_ = false;
};
#endif

} // namespace qr::test
