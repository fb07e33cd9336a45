// recovery-cli list on real images: the printed tree, the partition choice, the
// stop path and bad arguments.
#include "support/FatImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <vector>

namespace qr::fat {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

class ListCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    }
    std::string cli(const std::string& image, const std::string& args, int expected = 0) {
        // Progress goes to stderr; only the listing is compared.
        const test::CommandResult r =
            test::run("(" + std::string(RECOVERY_CLI) + " --image " + test::shellQuote(image) +
                      " list " + args + " 2>" + test::shellQuote((dir / "err").string()) + ")");
        EXPECT_EQ(r.exitCode, expected) << r.output;
        return r.output;
    }
    test::TempDir dir;
};

// A FAT16 image whose folder D holds D, which holds D, `depth` deep: D's cluster and
// the free ones behind it, each a directory with its "." and ".." entries and one
// subfolder D in the next cluster.
std::unique_ptr<test::FatImage> deepChain(const std::filesystem::path& path, std::uint32_t depth) {
    test::FatImageOptions o;
    o.fatBits = 16;
    o.sizeMiB = 16;
    o.sectorsPerCluster = 1;
    auto image = std::make_unique<test::FatImage>(path, o);
    image->mkdir("::/D");
    const std::uint32_t first = image->firstCluster("::/D");
    std::string clusters(std::size_t{depth} * 512, '\0');
    for (std::uint32_t i = 0; i < depth; ++i) {
        const std::uint32_t c = first + i;
        const auto entry = [&](std::size_t at, const char* name, std::uint32_t cluster) {
            at += std::size_t{i} * 512;
            clusters.replace(at, 11, name);
            clusters[at + 11] = 0x10;
            clusters[at + 26] = static_cast<char>(cluster & 0xFF);
            clusters[at + 27] = static_cast<char>(cluster >> 8);
        };
        entry(0, ".          ", c);
        entry(32, "..         ", i == 0 ? 0 : c - 1);
        if (i + 1 < depth)
            entry(64, "D          ", c + 1);
    }
    image->writeBytes(image->clusterSector(first) * 512, clusters);
    return image;
}

// A chain of folders nested thousands deep, as a damaged medium can hold, is listed down
// to its deepest folder, even with a small stack.
TEST_F(ListCommand, ListsFoldersNestedThousandsDeep) {
    constexpr std::uint32_t kDepth = 3000;
    const auto image = deepChain(dir / "deep.img", kDepth);
    const test::CommandResult r =
        test::run("(ulimit -s 256; " + std::string(RECOVERY_CLI) + " --image " +
                  test::shellQuote(image->path().string()) + " list --fs FAT16 --start 0 --end " +
                  std::to_string(image->volumeSectors()) + " 2>" +
                  test::shellQuote((dir / "err").string()) + ")");
    ASSERT_EQ(r.exitCode, 0) << r.output.substr(0, 500);
    const std::vector<std::string> out = lines(r.output);
    ASSERT_EQ(out.size(), kDepth + 1); // Lost and every D
    std::string deepest = "D";
    for (std::uint32_t i = 1; i < kDepth; ++i)
        deepest += "/D";
    EXPECT_EQ(out.back().substr(0, out.back().find('\t')), deepest);
}

// Memory follows the size of the tree, not the square of its depth: the walk keeps one
// path, not a copy of it per level.
TEST_F(ListCommand, MemoryStaysLinearInTheDepthOfTheTree) {
    constexpr std::uint32_t kDepth = 12000;
    const auto image = deepChain(dir / "deep.img", kDepth);
    const test::CommandResult r = test::run(
        std::string(RECOVERY_CLI) + " --image " + test::shellQuote(image->path().string()) +
        " list --fs FAT16 --start 0 --end " + std::to_string(image->volumeSectors()) +
        " 2>/dev/null | tail -n 1 | cut -c 1-20");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "D/D/D/D/D/D/D/D/D/D/\n");
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own memory hides the listing's";
#endif
    // The largest of the programs this test process has waited for: the listing.
    struct rusage usage {};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    const long kib = usage.ru_maxrss;
    // Copies of the path at every level would take depth squared: about 144 MB here.
    EXPECT_LT(kib, 64 * 1024) << "peak resident memory in KiB";
}

TEST_F(ListCommand, PrintsTheTreeDepthFirstWithFoldersBeforeTheirContents) {
    test::FatImageOptions o;
    o.partitioned = true;
    test::FatImage image(dir / "card.img", o);
    image.mkdir("::/Docs");
    image.writeFile("::/Docs/Letter to Anna.doc", std::string(1234, 'x'));
    image.writeFile("::/README.TXT", "r");
    image.del("::/README.TXT");
    const std::vector<std::string> out = lines(cli(image.path().string(), "--partition 1"));
    const std::string date = "[0-3][0-9]-[A-Z][a-z][a-z]-20[0-9][0-9]\t[0-2][0-9]:[0-5][0-9]";
    ASSERT_EQ(out.size(), 4u) << testing::PrintToString(out);
    EXPECT_EQ(out[0], "Lost\tFOLDER\t0\t00-Err-1980\t00:00");
    EXPECT_TRUE(std::regex_match(out[1], std::regex("Docs\tFOLDER\t0\t" + date))) << out[1];
    EXPECT_TRUE(std::regex_match(
        out[2], std::regex("Docs/Letter to Anna.doc\tMicrosoft Word File\t1234\t" + date)))
        << out[2];
    EXPECT_TRUE(std::regex_match(out[3], std::regex("_EADME.TXT\tDeleted Text file\t1\t" + date)))
        << out[3];

    // The same volume named by type and range gives the same listing.
    const std::string range = "--fs FAT32 --start 2048 --end " + std::to_string(40 * 2048);
    EXPECT_EQ(lines(cli(image.path().string(), range)), out);
}

TEST_F(ListCommand, StopAfterSectorsKeepsWhatWasFound) {
    test::FatImage image(dir / "stop.img", {});
    image.mkdir("::/Early");
    image.writeFile("::/big.bin", std::string(std::size_t{12} << 20, 'b'));
    image.mkdir("::/Late");
    const std::string out =
        cli(image.path().string(), "--fs FAT32 --start 0 --end 81920 --stop-after-sectors 3000");
    EXPECT_NE(out.find("Early\tFOLDER"), std::string::npos) << out;
    EXPECT_NE(out.find("Lost\tFOLDER"), std::string::npos) << out;
    EXPECT_EQ(out.find("Late"), std::string::npos) << out;
    EXPECT_EQ(out.find("big.bin"), std::string::npos) << out; // a root file, not a folder
}

TEST_F(ListCommand, BadArgumentsAreRefused) {
    test::FatImage image(dir / "x.img", {});
    cli(image.path().string(), "", 2);
    cli(image.path().string(), "--fs exFAT --start 0 --end 100", 2);
    cli(image.path().string(), "--fs FAT32 --start 100 --end 100", 2);
    cli(image.path().string(), "--partition 3", 1);
}

} // namespace
} // namespace qr::fat
