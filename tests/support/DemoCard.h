#pragma once
// The demo memory card (demo/make-demo-card.sh) built for a test: an MBR with a FAT32
// partition at sector 63 and a FAT16 partition at sector 131072, with live, deleted
// and orphaned files and folders. GTEST_SKIP when the tools are missing.
#include "support/TestSupport.h"

#include <filesystem>

namespace qr::test {

inline constexpr std::uint64_t kDemoFat32Start = 63;
inline constexpr std::uint64_t kDemoFat16Start = 131072;
inline constexpr std::uint64_t kDemoCardBytes = 196608ull * 512;

class DemoCard {
public:
    // Builds the card; ok() is false (and the test has failed) when the script failed.
    DemoCard() {
        result_ = run(shellQuote(std::string(TEST_SOURCE_DIR) + "/../demo/make-demo-card.sh") +
                      " " + shellQuote(image().string()));
    }
    static bool toolsPresent() { return haveTools({"sfdisk", "mkfs.fat", "mcopy", "mdeltree"}); }
    bool ok() const { return result_.exitCode == 0; }
    const std::string& output() const { return result_.output; }
    std::filesystem::path image() const { return dir_ / "demo-card.img"; }

private:
    TempDir dir_;
    CommandResult result_;
};

} // namespace qr::test
