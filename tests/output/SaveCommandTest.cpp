// recovery-cli save end to end on an mtools image: the whole tree, filters, named
// paths, the summary and exit status, and a destination on the source refused.
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

class SaveCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        FatImageOptions o;
        o.partitioned = true;
        image = std::make_unique<FatImage>(dir / "card.img", o);
        image->mkdir("::/PHOTOS");
        image->writeFile("::/PHOTOS/Holiday picture.jpg", photo);
        image->writeFile("::/LETTER.DOC", letter);
        image->writeFile("::/GONE.DOC", gone);
        image->del("::/GONE.DOC");
    }
    CommandResult save(const std::string& args) {
        return run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image->path().string()) +
                   " save --disk 0 --partition 1 --replace yes-all " + args + " </dev/null");
    }
    std::string out(const std::string& relative) { return ReadWholeFile(dir / "out" / relative); }

    const std::string photo = PatternBytes(70000, 31), letter = PatternBytes(4000, 32),
                      gone = PatternBytes(2500, 33);
    TempDir dir;
    std::unique_ptr<FatImage> image;
};

TEST_F(SaveCommand, SavesTheWholeTreeByteForByte) {
    const CommandResult r = save("--to " + shellQuote((dir / "out").string()));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(out("PHOTOS/Holiday picture.jpg"), photo);
    EXPECT_EQ(out("LETTER.DOC"), letter);
    EXPECT_EQ(out("_ONE.DOC"), gone);
    EXPECT_NE(r.output.find("files written: 3"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("failed: 0"), std::string::npos);
}

TEST_F(SaveCommand, FiltersAndNamedPaths) {
    CommandResult r =
        save("--to " + shellQuote((dir / "out").string()) + " --deleted live --ext DOC");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir / "out/LETTER.DOC"));
    EXPECT_FALSE(fs::exists(dir / "out/_ONE.DOC"));
    EXPECT_FALSE(fs::exists(dir / "out/PHOTOS"));
    EXPECT_NE(r.output.find("skipped: 2"), std::string::npos) << r.output;

    r = save("--to " + shellQuote((dir / "named").string()) + " PHOTOS '_ONE.DOC'");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(ReadWholeFile(dir / "named/PHOTOS/Holiday picture.jpg"), photo);
    EXPECT_EQ(ReadWholeFile(dir / "named/_ONE.DOC"), gone);
    EXPECT_FALSE(fs::exists(dir / "named/LETTER.DOC"));

    r = save("--to " + shellQuote((dir / "named").string()) + " NOSUCH.TXT");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find("NOSUCH.TXT"), std::string::npos);
}

TEST_F(SaveCommand, FailedFileMakesTheExitStatusNonZero) {
    fs::create_directories(dir / "out");
    std::ofstream(dir / "out" / "PHOTOS") << "in the way";
    const CommandResult r = save("--to " + shellQuote((dir / "out").string()));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("failed: 1"), std::string::npos) << r.output;
    EXPECT_EQ(out("LETTER.DOC"), letter); // the others are still written
}

// A destination too small for every file: what could not be written whole is removed
// and counted as failed; what fits is saved.
TEST_F(SaveCommand, FullDestinationKeepsNoIncompleteFile) {
    const fs::path small = dir / "small";
    fs::create_directories(small);
    if (::geteuid() != 0 ||
        run("mount -t tmpfs -o size=32k tmpfs " + shellQuote(small.string())).exitCode != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs";
    const CommandResult r = save("--to " + shellQuote(small.string()));
    const bool photoLeft = fs::exists(small / "PHOTOS/Holiday picture.jpg");
    const std::string saved = ReadWholeFile(small / "LETTER.DOC");
    run("umount " + shellQuote(small.string()));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_FALSE(photoLeft) << "a truncated copy of the photo was left";
    EXPECT_NE(r.output.find("Holiday picture.jpg: No space left on device"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("failed: 1"), std::string::npos) << r.output;
    EXPECT_EQ(saved, letter);
}

TEST_F(SaveCommand, RefusesADestinationOnTheSource) {
    const auto before = fs::last_write_time(image->path());
    const CommandResult r = save("--to " + shellQuote(image->path().string()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("disk being recovered"), std::string::npos) << r.output;
    EXPECT_EQ(fs::last_write_time(image->path()), before);
}

} // namespace
} // namespace qr::test
