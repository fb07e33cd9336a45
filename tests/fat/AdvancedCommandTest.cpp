// recovery-cli list and save with --mode advanced on a card whose boot sector and
// backup are gone: the file systems found on stderr, the tree and the saved files the
// same as from the intact card; nothing found and bad options refused.
#include "support/FatImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

namespace qr::fat {
namespace {

class AdvancedCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
    }
    // stdout of recovery-cli (stderr into `err`), with its exit code checked.
    std::string cli(const test::FatImage& card, const std::string& args, int expected = 0) {
        const test::CommandResult r = test::run(
            "(" + std::string(RECOVERY_CLI) + " --image " + test::shellQuote(card.path()) + " " +
            args + " 2>" + test::shellQuote((dir / "err").string()) + " </dev/null)");
        EXPECT_EQ(r.exitCode, expected) << args << "\n" << r.output << stderrText();
        return r.output;
    }
    std::string stderrText() const {
        std::ifstream in(dir / "err");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    test::TempDir dir;
};

std::multiset<std::string> sortedLines(const std::string& text) {
    std::multiset<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

TEST_F(AdvancedCommand, CardWithoutBootSectorsListsAndSavesAsTheIntactCard) {
    test::FatImageOptions options;
    options.partitioned = true;
    test::FatImage card(dir / "card.img", options);
    card.mkdir("::/Photos");
    card.mkdir("::/Photos/2024");
    card.writeFile("::/Photos/2024/beach.jpg", std::string(150000, 'b'));
    card.writeFile("::/Photos/notes.txt", "notes");
    card.writeFile("::/top.txt", "top");
    const std::string end = std::to_string(options.sizeMiB * 2048);
    const std::string intact = cli(card, "list --partition 1");
    ASSERT_NE(intact.find("BEACH.JPG"), std::string::npos) << intact;

    card.writeBytes(2048 * 512, std::string(512, '\0'));
    card.writeBytes((2048 + 6) * 512, std::string(512, '\0'));
    const std::string range = " --fs FAT32 --start 0 --end " + end;
    // The same lines; Lost comes last in Advanced mode, where its row is the last one.
    EXPECT_EQ(sortedLines(cli(card, "list --mode advanced" + range)), sortedLines(intact));
    EXPECT_TRUE(std::regex_search(stderrText(),
                                  std::regex("File System 1 - FAT32  Partition Type : FAT32  "
                                             "File System Start : [0-9]+  Sectors Per Clusters "
                                             ": 1\n")))
        << stderrText();

    cli(card, "save --mode advanced --file-system 1 --replace yes-all --to " +
                  test::shellQuote((dir / "out").string()) + range);
    EXPECT_EQ(test::ReadWholeFile(dir / "out" / "Photos" / "2024" / "BEACH.JPG"),
              std::string(150000, 'b'));
    EXPECT_EQ(test::ReadWholeFile(dir / "out" / "TOP.TXT"), "top");

    cli(card, "list --mode advanced --file-system 2" + range, 1);
    EXPECT_NE(stderrText().find("--file-system must be 1 to 1"), std::string::npos);
}

TEST_F(AdvancedCommand, NothingIdentifiedAndBadOptionsAreRefused) {
    test::FatImageOptions options;
    options.fatBits = 16;
    options.sizeMiB = 8;
    test::FatImage card(dir / "empty.img", options);
    const std::string range = " --start 0 --end " + std::to_string(options.sizeMiB * 2048);
    cli(card, "list --mode advanced --fs FAT16" + range, 1);
    EXPECT_NE(stderrText().find("No file system could be identified"), std::string::npos);
    cli(card, "list --mode sideways --fs FAT16" + range, 2);
    cli(card, "list --file-system 1 --fs FAT16" + range, 2);
    // An NTFS sweep of a FAT card finds no NTFS volume.
    cli(card, "list --mode advanced --fs NTFS" + range, 1);
    EXPECT_NE(stderrText().find("No file sytem could be identified"), std::string::npos);
    cli(card, "list --colour red --fs FAT16" + range, 2);
    EXPECT_NE(stderrText().find("unknown option '--colour'"), std::string::npos);
}

} // namespace
} // namespace qr::fat
