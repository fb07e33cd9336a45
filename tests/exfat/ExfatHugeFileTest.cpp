// recovery-cli on a real exFAT volume holding a file of 4 GiB + 1 MiB: the size listed,
// the bytes saved, the free-space check and a recovery log saved and loaded again.
// It writes and reads more than 8 GiB, so it runs only with QR_SLOW_TESTS=1.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace qr::exfat {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kBlock = 1u << 20;
constexpr std::uint64_t kBlocks = 4 * 1024 + 1; // 4 GiB + 1 MiB
constexpr std::uint64_t kImageBytes = 4400ull << 20;

// Block `index` of the video: its number, then bytes that shift with it.
std::vector<char> patternBlock(std::uint64_t index) {
    std::vector<char> block(kBlock);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i + index) & 0xFF);
    for (int b = 0; b < 8; ++b)
        block[b] = static_cast<char>(index >> (8 * b));
    return block;
}

// The first block of `path` that differs from the pattern, or kBlocks when all match
// and the file ends where the pattern does.
std::uint64_t firstWrongBlock(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(kBlock);
    for (std::uint64_t index = 0; index < kBlocks; ++index)
        if (!in.read(block.data(), kBlock) || block != patternBlock(index))
            return index;
    return in.peek() == std::char_traits<char>::eof() ? kBlocks : kBlocks + 1;
}

class HugeExfatFile : public ::testing::Test {
protected:
    void SetUp() override {
        const char* slow = std::getenv("QR_SLOW_TESTS");
        if (!slow || std::string(slow) != "1")
            GTEST_SKIP() << "set QR_SLOW_TESTS=1 to write and read a 4 GiB file";
        if (::geteuid() != 0 || !fs::exists("/dev/fuse") ||
            !test::haveTools({"mkfs.exfat", "mount.exfat-fuse", "losetup", "truncate"}))
            GTEST_SKIP() << "mkfs.exfat, exfat-fuse, losetup, FUSE and root are needed";
        if (fs::space(dir.path()).available < kImageBytes + 2 * kBlocks * kBlock)
            GTEST_SKIP() << "about 13 GiB of free space are needed";
        makeImage();
    }

    void makeImage() {
        image = dir.path() / "big.img";
        const fs::path mnt = dir.path() / "mnt";
        fs::create_directories(mnt);
        test::runOrFail("truncate -s " + std::to_string(kImageBytes) + " " +
                        test::shellQuote(image.string()));
        test::runOrFail("mkfs.exfat -L BIGCARD " + test::shellQuote(image.string()));
        const std::string loop =
            test::runOrFail("losetup -f --show " + test::shellQuote(image.string()));
        const std::string device = loop.substr(0, loop.find('\n'));
        test::runOrFail("mount.exfat-fuse " + test::shellQuote(device) + " " +
                        test::shellQuote(mnt.string()));
        {
            std::ofstream out(mnt / "video.mp4", std::ios::binary);
            for (std::uint64_t index = 0; index < kBlocks; ++index)
                out.write(patternBlock(index).data(), kBlock);
            std::ofstream(mnt / "small.txt") << "small\n";
        }
        test::run("umount " + test::shellQuote(mnt.string()));
        test::run("losetup -d " + test::shellQuote(device));
    }

    test::CommandResult cli(const std::string& command) {
        return test::run(std::string(RECOVERY_CLI) + " --image " +
                         test::shellQuote(image.string()) + " " + command + " 2>&1");
    }
    std::string range() const {
        return " --fs exFAT --start 0 --end " + std::to_string(kImageBytes / 512);
    }

    test::TempDir dir;
    fs::path image;
};

TEST_F(HugeExfatFile, IsListedSavedWholeAndKeptWholeThroughTheLog) {
    const std::string size = "\t" + std::to_string(kBlocks * kBlock) + "\t";
    const fs::path log = dir.path() / "big.dms";
    const test::CommandResult listed =
        cli("list" + range() + " --save-log " + test::shellQuote(log.string()));
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_NE(listed.output.find("video.mp4\tFile" + size), std::string::npos) << listed.output;

    // A destination too small is refused before anything is written.
    const fs::path small = dir.path() / "small";
    fs::create_directories(small);
    test::runOrFail("mount -t tmpfs -o size=64m tmpfs " + test::shellQuote(small.string()));
    const test::CommandResult refused =
        cli("save" + range() + " --to " + test::shellQuote(small.string()));
    test::run("umount " + test::shellQuote(small.string()));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("4098 MB needed"), std::string::npos) << refused.output;

    // Straight from the search, and from the log.
    for (const std::string& from : {range(), " --log " + test::shellQuote(log.string())}) {
        SCOPED_TRACE(from);
        const fs::path to = dir.path() / "saved";
        const test::CommandResult saved = cli("save" + from + " --to " + test::shellQuote(to));
        EXPECT_EQ(saved.exitCode, 0) << saved.output;
        EXPECT_EQ(fs::file_size(to / "video.mp4"), kBlocks * kBlock);
        EXPECT_EQ(firstWrongBlock(to / "video.mp4"), kBlocks);
        fs::remove_all(to);
    }
    const test::CommandResult reloaded = cli("list --log " + test::shellQuote(log.string()));
    EXPECT_NE(reloaded.output.find("video.mp4\tFile" + size), std::string::npos) << reloaded.output;
}

} // namespace
} // namespace qr::exfat
