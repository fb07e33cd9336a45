// recovery-cli on the 'F' family, end to end: the real disk library, NoDisk and the
// detector's per-unit exchange, and the same search and save results as on 'N'.
#include "support/DemoCard.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

struct CliF : ::testing::Test {
    test::TempDir dir;
    std::string stderr_;

    CliF() {
        std::filesystem::create_directories(dir / "sys");
        std::filesystem::create_directories(dir / "tmp");
    }
    // Runs recovery-cli with no attached disks; `output` is its standard output.
    test::CommandResult cli(const std::string& args, const std::string& extraEnv = "") {
        const std::string env =
            "TMPDIR=" + test::shellQuote((dir / "tmp").string()) +
            " QUARRIXDALE_SYSFS_BLOCK=" + test::shellQuote((dir / "sys").string()) +
            " HOME=" + test::shellQuote(dir.path().string()) +
            " XDG_CONFIG_HOME= QUARRIXDALE_PLATFORM= " + extraEnv + " ";
        auto r = test::run("{ " + env + test::shellQuote(RECOVERY_CLI) + " " + args + " >" +
                           test::shellQuote((dir / "stdout").string()) + "; }");
        stderr_ = r.output;
        std::ifstream in(dir / "stdout");
        r.output.assign(std::istreambuf_iterator<char>(in), {});
        return r;
    }
    std::string files(const std::filesystem::path& root) {
        std::vector<std::string> lines;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            if (e.is_regular_file())
                lines.push_back(std::filesystem::relative(e.path(), root).string() + " " +
                                test::ReadWholeFile(e.path()));
        std::sort(lines.begin(), lines.end());
        std::string all;
        for (const auto& l : lines)
            all += l + "\n";
        return all;
    }
};

} // namespace

TEST_F(CliF, DisksAreListedThroughTheUnitExchange) {
    const auto a = dir / "a.img";
    const auto b = dir / "b.img";
    test::runOrFail("truncate -s 64M " + test::shellQuote(a.string()) + " && truncate -s 8M " +
                    test::shellQuote(b.string()));
    const std::string images =
        "--image " + test::shellQuote(a.string()) + " --image " + test::shellQuote(b.string());
    auto r = cli("--platform F " + images + " disks");
    ASSERT_EQ(r.exitCode, 0) << stderr_;
    // The geometry covers each image: 131 x 16 x 63 and 17 x 16 x 63 sectors.
    EXPECT_EQ(r.output, "Disk0\t67608576\tUnknown\t" + a.string() + "\nDisk1\t8773632\tUnknown\t" +
                            b.string() + "\n");
    r = cli("--platform F " + images + " details --disk 1");
    ASSERT_EQ(r.exitCode, 0) << stderr_;
    EXPECT_EQ(r.output, "Physical Disk Number           : 1\nCylinder   : 17\nHead   : 16\n"
                        "SectorsPerTrack   : 63\nDisk Size  : 8 MB\n");
    // The environment variable chooses the family as the option does.
    r = cli(images + " disks", "QUARRIXDALE_PLATFORM=F");
    EXPECT_NE(r.output.find("Unknown"), std::string::npos) << stderr_;
    // Nothing of the exchange stays behind.
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp"));

    EXPECT_EQ(cli("--platform X disks").exitCode, 2);
}

TEST_F(CliF, WithoutTheLibraryNothingIsListed) {
    // An installation folder with the programs but without the library.
    const auto install = dir / "install";
    std::filesystem::create_directories(install);
    for (const char* program : {"Quarrixdale-HDD", "NoDisk"})
        std::filesystem::create_symlink(std::filesystem::path(PROGRAM_DIR) / program,
                                        install / program);
    const auto a = dir / "a.img";
    test::runOrFail("truncate -s 1M " + test::shellQuote(a.string()));
    auto r = cli("--platform F --image " + test::shellQuote(a.string()) + " disks",
                 "QUARRIXDALE_INSTALL_DIR=" + test::shellQuote(install.string()));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(stderr_.find("disk32.dll not found"), std::string::npos) << stderr_;
}

TEST_F(CliF, SearchAndSaveGiveTheSameFilesAsOnN) {
    if (!test::DemoCard::toolsPresent())
        GTEST_SKIP() << "sfdisk, mkfs.fat or mtools missing";
    test::DemoCard card;
    ASSERT_TRUE(card.ok()) << card.output();
    const std::string image = "--image " + test::shellQuote(card.image().string());
    for (const char* partition : {"1", "2"}) {
        auto n = cli(image + " list --partition " + partition);
        ASSERT_EQ(n.exitCode, 0) << stderr_;
        auto f = cli("--platform F " + image + " list --partition " + partition);
        ASSERT_EQ(f.exitCode, 0) << stderr_;
        EXPECT_FALSE(n.output.empty());
        EXPECT_EQ(f.output, n.output);
    }
    auto n = cli(image + " save --partition 1 --to " + test::shellQuote((dir / "n").string()));
    ASSERT_EQ(n.exitCode, 0) << stderr_;
    auto f = cli("--platform F " + image + " save --partition 1 --to " +
                 test::shellQuote((dir / "f").string()));
    ASSERT_EQ(f.exitCode, 0) << stderr_;
    EXPECT_FALSE(files(dir / "n").empty());
    EXPECT_EQ(files(dir / "f"), files(dir / "n"));
}
