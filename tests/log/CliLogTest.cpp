// recovery-cli with recovery logs: --save-log after a search, then list and save from
// the log alone give what the search gave; a log of another disk, a damaged log or a
// log given with a partition choice are refused with a clear message.
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

class CliLog : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        FatImageOptions o;
        o.partitioned = true;
        image = std::make_unique<FatImage>(dir / "card.img", o);
        image->mkdir("::/PHOTOS");
        image->writeFile("::/PHOTOS/Holiday picture.jpg", photo);
        image->mkdir("::/PHOTOS/OLD");
        image->writeFile("::/PHOTOS/OLD/GONE.DOC", gone);
        image->del("::/PHOTOS/OLD/GONE.DOC");
        image->writeFile("::/LETTER.DOC", letter);
    }
    CommandResult cli(const std::string& args, const fs::path& img = {}) {
        return run(std::string(RECOVERY_CLI) + " --image " +
                   shellQuote((img.empty() ? image->path() : img).string()) + " " + args +
                   " 2>&1 </dev/null");
    }
    std::string log() const { return shellQuote((dir / "card.DMS").string()); }
    // The listing lines (progress lines of the search left out).
    static std::string listing(const std::string& output) {
        std::string out, line;
        std::istringstream in(output);
        while (std::getline(in, line))
            if (std::count(line.begin(), line.end(), '\t') == 4)
                out += line + "\n";
        return out;
    }

    const std::string photo = PatternBytes(70000, 41), letter = PatternBytes(4000, 42),
                      gone = PatternBytes(2500, 43);
    TempDir dir;
    std::unique_ptr<FatImage> image;
};

TEST_F(CliLog, ListAndSaveFromALogGiveWhatTheSearchGave) {
    const CommandResult searched = cli("list --disk 0 --partition 1 --save-log " + log());
    ASSERT_EQ(searched.exitCode, 0) << searched.output;
    ASSERT_TRUE(fs::exists(dir / "card.DMS"));
    const CommandResult loaded = cli("list --disk 0 --log " + log());
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_EQ(listing(loaded.output), listing(searched.output));
    EXPECT_NE(listing(loaded.output).find("PHOTOS/OLD/_ONE.DOC"), std::string::npos)
        << loaded.output;

    const CommandResult saved = cli("save --disk 0 --log " + log() + " --replace yes-all --to " +
                                    shellQuote((dir / "out").string()) + " PHOTOS");
    ASSERT_EQ(saved.exitCode, 0) << saved.output;
    EXPECT_EQ(ReadWholeFile(dir / "out/PHOTOS/Holiday picture.jpg"), photo);
    EXPECT_EQ(ReadWholeFile(dir / "out/PHOTOS/OLD/_ONE.DOC"), gone);
    EXPECT_FALSE(fs::exists(dir / "out/LETTER.DOC"));

    // A log saved from a loaded log is the same log.
    ASSERT_EQ(cli("list --disk 0 --log " + log() + " --save-log " +
                  shellQuote((dir / "again.DMS").string()))
                  .exitCode,
              0);
    EXPECT_EQ(ReadWholeFile(dir / "again.DMS"), ReadWholeFile(dir / "card.DMS"));
}

TEST_F(CliLog, ALogOfAnAdvancedSearchLoadsAsTheStandardTreeOfItsFileSystem) {
    const CommandResult searched =
        cli("list --disk 0 --partition 1 --mode advanced --file-system 1 --save-log " + log());
    ASSERT_EQ(searched.exitCode, 0) << searched.output;
    ASSERT_NE(listing(searched.output).find("PHOTOS/OLD/_ONE.DOC"), std::string::npos)
        << searched.output;
    const CommandResult loaded = cli("list --disk 0 --log " + log());
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_EQ(listing(loaded.output), listing(searched.output));

    const CommandResult saved = cli("save --disk 0 --log " + log() + " --replace yes-all --to " +
                                    shellQuote((dir / "out").string()) + " PHOTOS");
    ASSERT_EQ(saved.exitCode, 0) << saved.output;
    EXPECT_EQ(ReadWholeFile(dir / "out/PHOTOS/Holiday picture.jpg"), photo);
    EXPECT_EQ(ReadWholeFile(dir / "out/PHOTOS/OLD/_ONE.DOC"), gone);
}

TEST_F(CliLog, LogsThatDoNotFitAreRefused) {
    ASSERT_EQ(cli("list --disk 0 --partition 1 --save-log " + log()).exitCode, 0);
    // Another disk model: the image's file name stands for the model of an image.
    const fs::path other = dir / "other.img";
    fs::copy_file(image->path(), other);
    CommandResult r = cli("list --disk 0 --log " + log(), other);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("You Have Selected Wrong Disk"), std::string::npos) << r.output;

    std::string bytes = ReadWholeFile(dir / "card.DMS");
    bytes.resize(bytes.size() - 1);
    std::ofstream(dir / "cut.DMS", std::ios::binary) << bytes;
    r = cli("list --disk 0 --log " + shellQuote((dir / "cut.DMS").string()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Error in file"), std::string::npos) << r.output;

    r = cli("list --disk 0 --log " + shellQuote((dir / "none.DMS").string()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Unable to open file"), std::string::npos) << r.output;

    r = cli("list --disk 0 --partition 1 --log " + log());
    EXPECT_EQ(r.exitCode, 2);

    r = cli("list --disk 0 --partition 1 --save-log " +
            shellQuote((dir / "no/such/dir/x.DMS").string()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Unable to open file"), std::string::npos) << r.output;
}

} // namespace
} // namespace qr::test
