// recovery-cli save end to end on an mtools image: the whole tree, filters, named
// paths, the summary and exit status, and a destination on the source refused.
#include "support/FatImages.h"
#include "support/FuseMedium.h"
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

// A sector of a file that the medium cannot read: the file is saved with zeros there,
// named, counted apart from the whole ones, and the exit status says so.
TEST_F(SaveCommand, FileAcrossAnUnreadableSectorIsSavedNamedAndTold) {
#ifndef STALL_FS
    GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
    if (!FuseMedium::usable())
        GTEST_SKIP() << "FUSE missing";
    // The photo's second sector (a fresh volume holds it in consecutive clusters).
    const std::uint64_t bad =
        image->clusterSector(image->firstCluster("::/PHOTOS/Holiday picture.jpg")) + 1;
    FuseMedium medium(image->path(), FuseMedium::kNever, bad * 512, bad * 512 + 512);
    ASSERT_TRUE(medium.mounted());
    const CommandResult r =
        run(std::string(RECOVERY_CLI) + " --image " + shellQuote(medium.medium().string()) +
            " save --partition 1 --to " + shellQuote((dir / "out").string()) + " </dev/null");
    EXPECT_EQ(r.exitCode, 3) << r.output;
    EXPECT_NE(r.output.find("with unreadable sectors: 1"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Holiday picture.jpg: 512 bytes lie on sectors the medium could not"),
              std::string::npos)
        << r.output;
    std::string expected = photo;
    expected.replace(512, 512, std::string(512, '\0'));
    EXPECT_EQ(out("PHOTOS/Holiday picture.jpg"), expected);
    EXPECT_EQ(out("LETTER.DOC"), letter);
#endif
}

// Mounts a tmpfs of `size` at `folder`; false when this run may not mount.
bool mountSmall(const fs::path& folder, const std::string& size) {
    fs::create_directories(folder);
    return ::geteuid() == 0 &&
           run("mount -t tmpfs -o size=" + size + " tmpfs " + shellQuote(folder.string()))
                   .exitCode == 0;
}

// A destination whose free space holds the plan's bytes but not the blocks they take:
// the file that could not be written whole is removed and counted as failed; the
// others are saved whole.
TEST_F(SaveCommand, FullDestinationKeepsNoIncompleteFile) {
    const fs::path small = dir / "small";
    // 19 pages: 76,500 planned bytes fit, the 20 pages the three files take do not.
    if (!mountSmall(small, "76k"))
        GTEST_SKIP() << "cannot mount a small tmpfs";
    const CommandResult r = save("--to " + shellQuote(small.string()));
    const std::string savedPhoto = ReadWholeFile(small / "PHOTOS/Holiday picture.jpg");
    const std::string savedLetter = ReadWholeFile(small / "LETTER.DOC");
    const std::string savedGone = ReadWholeFile(small / "_ONE.DOC");
    run("umount " + shellQuote(small.string()));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("No space left on device"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("failed: 1"), std::string::npos) << r.output;
    int missing = 0;
    for (const auto& [saved, original] :
         {std::pair{savedPhoto, photo}, std::pair{savedLetter, letter},
          std::pair{savedGone, gone}}) {
        if (saved.empty())
            ++missing;
        else
            EXPECT_EQ(saved, original) << "an incomplete file was left";
    }
    EXPECT_EQ(missing, 1);
}

// A plan larger than the destination's free space writes nothing and says how much
// was needed and how much was free.
TEST_F(SaveCommand, PlanLargerThanTheFreeSpaceIsRefusedBeforeWriting) {
    const fs::path small = dir / "small";
    if (!mountSmall(small, "32k"))
        GTEST_SKIP() << "cannot mount a small tmpfs";
    const CommandResult r = save("--to " + shellQuote((small / "out").string()));
    const bool empty = !fs::exists(small / "out") || fs::is_empty(small / "out");
    run("umount " + shellQuote(small.string()));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("not enough space on the destination: 1 MB needed, 0 MB free"),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(empty) << "something was written";
}

// A directory entry whose size is far beyond the volume: the file is written only up to
// the volume's data area, counted as failed and named.
TEST_F(SaveCommand, SizeBeyondTheDataAreaIsClipped) {
    std::string bytes = ReadWholeFile(image->path());
    const std::size_t entry = bytes.find("LETTER  DOC");
    ASSERT_NE(entry, std::string::npos);
    image->writeBytes(entry + 28, std::string("\xF0\xFF\xFF\xFF", 4));
    const CommandResult r = save("--to " + shellQuote((dir / "out").string()) + " LETTER.DOC");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("more than the volume's data area"), std::string::npos) << r.output;
    const auto written = fs::file_size(dir / "out" / "LETTER.DOC");
    EXPECT_LE(written, image->volumeSectors() * 512);
    EXPECT_GT(written, letter.size());
    EXPECT_EQ(out("LETTER.DOC").substr(0, letter.size()), letter);
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
