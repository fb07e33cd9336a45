#pragma once
// An image served through the stall-fs FUSE file (tests/support/fuse/StallFs.cpp): the
// first read past `stallAt` waits until the test lets it go, and reads of the bytes
// `badFrom` to `badTo`-1 fail as unreadable sectors. Unmounted when it goes away.
// Only where stall-fs was built (STALL_FS); usable() says whether FUSE is there.
#include "support/TestSupport.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>

namespace qr::test {

#ifdef STALL_FS
class FuseMedium {
public:
    static bool usable() {
        return std::filesystem::exists("/dev/fuse") && haveTools({"fusermount3"});
    }

    FuseMedium(const std::filesystem::path& backing, std::uint64_t stallAt,
               std::uint64_t badFrom = 0, std::uint64_t badTo = 0) {
        std::filesystem::create_directory(mount());
        std::string command = shellQuote(STALL_FS) + " " + shellQuote(backing.string()) + " " +
                              shellQuote(mount().string()) + " " + std::to_string(stallAt) + " " +
                              shellQuote(held().string()) + " " + shellQuote(release().string());
        if (badTo > badFrom)
            command += " " + std::to_string(badFrom) + " " + std::to_string(badTo);
        mounted_ = run(command).exitCode == 0;
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
    void letGo() const {
        if (!std::filesystem::exists(release()))
            std::ofstream(release().string()).put('\n');
    }

private:
    std::filesystem::path mount() const { return dir_ / "mnt"; }
    std::filesystem::path held() const { return dir_ / "held"; }
    std::filesystem::path release() const { return dir_ / "release"; }
    TempDir dir_;
    bool mounted_ = false;
};
#endif

} // namespace qr::test
