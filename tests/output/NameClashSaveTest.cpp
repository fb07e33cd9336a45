// Two entries of one name in one folder (a damaged directory, made here by renaming a
// short entry of an mtools volume): save keeps both, the later one as "name (2).ext",
// says so, and its counts are what is on disk; --replace still rules over the files
// that were in the destination before.
#include "output/ClaimedOutputNames.h"
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

int regularFilesBelow(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}

class NameClash : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        FatImageOptions o;
        o.partitioned = true;
        image = std::make_unique<FatImage>(dir / "card.img", o);
        image->writeFile("::/A.TXT", first);
        image->writeFile("::/B.TXT", second);
        image->writeFile("::/C.TXT", third);
        // B and C become a second and a third A.
        const std::string bytes = ReadWholeFile(image->path());
        for (const char* name : {"B       TXT", "C       TXT"}) {
            const std::size_t entry = bytes.find(name);
            ASSERT_NE(entry, std::string::npos);
            image->writeBytes(entry, "A");
        }
    }
    CommandResult save(const std::string& replace) {
        return run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image->path().string()) +
                   " save --disk 0 --partition 1 --replace " + replace + " --to " +
                   shellQuote((dir / "out").string()) + " </dev/null");
    }

    const std::string first = PatternBytes(3000, 1), second = PatternBytes(5000, 2),
                      third = PatternBytes(700, 3);
    TempDir dir;
    std::unique_ptr<FatImage> image;
};

TEST_F(NameClash, LaterFilesOfOneNameAreNumberedAndCounted) {
    const CommandResult r = save("ask");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(ReadWholeFile(dir / "out/A.TXT"), first);
    EXPECT_EQ(ReadWholeFile(dir / "out/A (2).TXT"), second);
    EXPECT_EQ(ReadWholeFile(dir / "out/A (3).TXT"), third);
    EXPECT_EQ(regularFilesBelow(dir / "out"), 3);
    EXPECT_NE(r.output.find("files written: 3\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("renamed (name taken): 2\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("A (2).TXT: an earlier file of this save took the name \"A.TXT\""),
              std::string::npos)
        << r.output;
}

TEST_F(NameClash, ReplaceAnswersConcernOnlyWhatWasThereBefore) {
    ASSERT_EQ(save("ask").exitCode, 0);
    // Kept: the three files from before stay as they were, none is numbered further.
    CommandResult r = save("no-all");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("files written: 0\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("skipped: 3\n"), std::string::npos) << r.output;
    EXPECT_EQ(regularFilesBelow(dir / "out"), 3);
    // Replaced: the same three names again, each with its own content.
    std::ofstream(dir / "out/A (2).TXT") << "old";
    r = save("yes-all");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("files written: 3\n"), std::string::npos) << r.output;
    EXPECT_EQ(ReadWholeFile(dir / "out/A (2).TXT"), second);
    EXPECT_EQ(regularFilesBelow(dir / "out"), 3);
}

TEST(NumberedName, GoesBeforeTheExtensionAndFitsTheNameLimit) {
    EXPECT_EQ(output::NumberedName("report.doc", 2, 255), "report (2).doc");
    EXPECT_EQ(output::NumberedName("archive.tar.gz", 3, 255), "archive.tar (3).gz");
    EXPECT_EQ(output::NumberedName("README", 12, 255), "README (12)");
    EXPECT_EQ(output::NumberedName(".profile", 2, 255), ".profile (2)");
    const std::string longName = std::string(250, 'x') + ".jpeg";
    const std::string numbered = output::NumberedName(longName, 2, 255);
    EXPECT_EQ(numbered.size(), 255u);
    EXPECT_EQ(numbered.substr(numbered.size() - 9), " (2).jpeg");
    // A cut never splits a character: "é" is two bytes.
    std::string accents;
    for (int i = 0; i < 10; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(output::NumberedName(accents, 2, 9), "\xC3\xA9\xC3\xA9 (2)");
}

// A destination that takes two names for one file (case folding) is a clash as well:
// the later path resolves to a file this save wrote.
TEST(ClaimedOutputNames, ANameResolvingToAFileOfThisSaveIsTaken) {
    TempDir dir;
    output::ClaimedOutputNames claims(255);
    bool renamed = true;
    const std::string a = claims.claim(dir.path().string(), "a.txt", renamed);
    EXPECT_FALSE(renamed);
    std::ofstream(a) << "x";
    claims.wrote(a);
    fs::create_hard_link(a, dir / "A.TXT"); // what a case-folding folder would show
    EXPECT_EQ(claims.claim(dir.path().string(), "A.TXT", renamed), (dir / "A (2).TXT").string());
    EXPECT_TRUE(renamed);
    // A file that was there before is no clash.
    std::ofstream(dir / "old.txt") << "y";
    EXPECT_EQ(claims.claim(dir.path().string(), "old.txt", renamed), (dir / "old.txt").string());
    EXPECT_FALSE(renamed);
}

} // namespace
} // namespace qr::test
