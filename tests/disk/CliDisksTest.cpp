// recovery-cli disks and details, end to end over the real detector.
#include "support/DemoCard.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace qr;

namespace {

struct CliFixture : ::testing::Test {
    test::TempDir dir;
    // No attached disks (an empty sysfs folder), and a temporary folder to look into.
    std::string env() {
        std::filesystem::create_directories(dir / "sys");
        std::filesystem::create_directories(dir / "tmp");
        return "TMPDIR=" + test::shellQuote((dir / "tmp").string()) +
               " QUARRIXDALE_SYSFS_BLOCK=" + test::shellQuote((dir / "sys").string()) +
               " HOME=" + test::shellQuote(dir.path().string()) + " XDG_CONFIG_HOME= ";
    }
    // Runs the program; `output` is its standard output, err() its error output.
    test::CommandResult cli(const std::string& args, const std::string& extraEnv = "") {
        auto r = test::run("{ " + env() + extraEnv + test::shellQuote(RECOVERY_CLI) + " " + args +
                           " >" + test::shellQuote((dir / "stdout").string()) + "; }");
        stderr_ = r.output;
        std::ifstream in(dir / "stdout");
        r.output.assign(std::istreambuf_iterator<char>(in), {});
        return r;
    }
    const std::string& err() const { return stderr_; }
    std::string stderr_;
    std::string makeImage(const std::string& name, const std::string& size) {
        const auto path = dir / name;
        test::runOrFail("truncate -s " + size + " " + test::shellQuote(path.string()));
        return path.string();
    }
};

} // namespace

TEST_F(CliFixture, ImagesAreListedInOrderWithTheirSizes) {
    const std::string a = makeImage("card.img", "64M");
    const std::string b = makeImage("second.img", "1000000");
    auto r = cli("--image " + test::shellQuote(a) + " --image " + test::shellQuote(b) + " disks");
    ASSERT_EQ(r.exitCode, 0) << err();
    EXPECT_EQ(r.output,
              "Disk0\t67108864\tcard.img\t" + a + "\nDisk1\t1000000\tsecond.img\t" + b + "\n");
    // Nothing of the run is left behind: the private registry copy is gone and the
    // user's own store was not created.
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / ".config"));
}

TEST_F(CliFixture, DetailsOfTheDemoCard) {
    if (!test::DemoCard::toolsPresent())
        GTEST_SKIP() << "sfdisk, mkfs.fat or mtools missing";
    test::DemoCard card;
    ASSERT_TRUE(card.ok()) << card.output();
    auto r = cli("--image " + test::shellQuote(card.image().string()) + " details --disk 0");
    ASSERT_EQ(r.exitCode, 0) << err();
    EXPECT_EQ(r.output, "Physical Disk Number           : 0\n"
                        "Model                                    : demo-card.img\n"
                        "Media Type                           : Image File\n"
                        "Cylinder                                 : 195\n"
                        "Head                                     : 16\n"
                        "SectorsPerTrack                   : 63\n"
                        "Disk Size                               : 96 MB\n");
    auto same = cli("--image " + test::shellQuote(card.image().string()) + " disks --details 0");
    EXPECT_EQ(same.output, r.output);
}

TEST_F(CliFixture, BadImagesAndDiskNumbersAreClearErrors) {
    auto missing = cli("--image " + test::shellQuote((dir / "nope.img").string()) + " disks");
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_EQ(missing.output, "") << "nothing listed";
    EXPECT_NE(err().find("cannot read image"), std::string::npos) << err();
    EXPECT_NE(err().find("nope.img"), std::string::npos) << err();

    auto folder = cli("--image " + test::shellQuote(dir.path().string()) + " disks");
    EXPECT_NE(folder.exitCode, 0);
    EXPECT_NE(err().find("not a disk image"), std::string::npos) << err();

    // A named pipe is refused at once instead of waiting for a writer that never comes.
    const auto pipe = dir / "pipe";
    test::runOrFail("mkfifo " + test::shellQuote(pipe.string()));
    auto fifo = cli("--image " + test::shellQuote(pipe.string()) + " disks", "timeout 20 ");
    EXPECT_EQ(fifo.exitCode, 1) << "124 is the timeout: the open hung";
    EXPECT_NE(err().find("'" + pipe.string() + "': not a disk image"), std::string::npos) << err();

    const std::string img = makeImage("card.img", "1M");
    for (const char* n : {"1", "x", "26", "-1"}) {
        auto r = cli("--image " + test::shellQuote(img) + " details --disk " + n);
        EXPECT_EQ(r.exitCode, 1) << n;
        EXPECT_NE(err().find("no disk"), std::string::npos) << n << ": " << err();
    }
    EXPECT_EQ(cli("--image " + test::shellQuote(img) + " details").exitCode, 2);
}

TEST_F(CliFixture, GarbledSharedRegistryIsReadAsEmpty) {
    const auto registry = dir / "registry";
    std::ofstream(registry) << "\x01\x02 not a registry \xff\n[[[\n";
    const std::string img = makeImage("card.img", "2M");
    auto r = cli("--image " + test::shellQuote(img) + " disks",
                 "QUARRIXDALE_REGISTRY=" + test::shellQuote(registry.string()) + " ");
    ASSERT_EQ(r.exitCode, 0) << err();
    EXPECT_EQ(r.output, "Disk0\t2097152\tcard.img\t" + img + "\n");
}

TEST_F(CliFixture, MissingDetectorIsReported) {
    // A copy of the program without its companion beside it, and no install folder.
    const auto lone = dir / "recovery-cli";
    std::filesystem::copy_file(RECOVERY_CLI, lone);
    const std::string img = makeImage("card.img", "1M");
    auto r = test::run(env() + "QUARRIXDALE_INSTALL_DIR= " + test::shellQuote(lone.string()) +
                       " --image " + test::shellQuote(img) + " disks 2>&1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Quarrixdale-HDD not found"), std::string::npos) << r.output;
}
