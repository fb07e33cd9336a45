// The FUSE test medium at a read rate: what it serves is the backing image, and never
// faster than the rate (a whole read of N bytes takes at least N / rate).
#include "support/FuseMedium.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

TEST(ThrottledMedium, ServesTheImageNoFasterThanItsRate) {
#ifndef STALL_FS
    GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
    if (!FuseMedium::usable())
        GTEST_SKIP() << "FUSE missing";
    TempDir dir;
    const std::string bytes = PatternBytes(3 << 20, 11);
    std::ofstream(dir / "image.bin", std::ios::binary) << bytes;
    FuseFaults faults;
    faults.bytesPerSecond = 6'000'000;
    FuseMedium medium(dir / "image.bin", faults);
    ASSERT_TRUE(medium.mounted());
    const auto start = std::chrono::steady_clock::now();
    const std::string served = ReadWholeFile(medium.medium());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(served == bytes);
    // 3 MiB at 6 MB a second: half a second at the least.
    EXPECT_GE(took, std::chrono::milliseconds(500));
#endif
}

} // namespace
} // namespace qr::test
