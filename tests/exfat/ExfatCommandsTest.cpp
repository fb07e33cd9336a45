// recovery-cli on the exFAT test disk, end to end through partition naming, validation,
// the scan driver, the tree, the file list, the saving pass and the recovery log.
#include "support/ExfatImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qr::exfat {
namespace {

using test::ExfatImage;

// The listing without the progress lines a slow search draws (and the walk's count).
std::string withoutProgress(const std::string& output) {
    std::istringstream in(output);
    std::string line, kept;
    while (std::getline(in, line))
        if ((line.find("% ") == std::string::npos || line.find('\t') != std::string::npos) &&
            !line.starts_with("folders reached from the root: "))
            kept += line + "\n";
    return kept;
}

class ExfatCommands : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        image = ExfatImage::shared(&why);
        if (!image)
            GTEST_SKIP() << why;
    }
    std::string cli(const std::string& command) {
        const test::CommandResult r =
            test::run(std::string(RECOVERY_CLI) + " --image " +
                      test::shellQuote(image->path().string()) + " " + command + " 2>/dev/null");
        EXPECT_EQ(r.exitCode, 0) << command << "\n" << r.output;
        return r.output;
    }
    static std::string range() {
        return " --fs exFAT --start " + std::to_string(ExfatImage::kVolumeStart) + " --end " +
               std::to_string(ExfatImage::kVolumeStart + ExfatImage::kVolumeSectors);
    }
    void expectSaved(const std::filesystem::path& to) {
        for (const auto& [path, file] : image->files()) {
            SCOPED_TRACE(path);
            const std::filesystem::path saved = to / std::filesystem::u8path(path);
            ASSERT_TRUE(std::filesystem::exists(saved));
            EXPECT_TRUE(test::ReadWholeFile(saved) == file.content);
        }
    }
    const ExfatImage* image = nullptr;
    test::TempDir dir;
};

TEST_F(ExfatCommands, TheType7PartitionIsNamedExfatAndListedWithDeletedLabels) {
    EXPECT_NE(cli("partitions").find("( exFAT )"), std::string::npos);
    const std::string listing = withoutProgress(cli("list --partition 1"));
    EXPECT_EQ(listing, withoutProgress(cli("list" + range())));
    EXPECT_NE(listing.find("Lost\tFOLDER"), std::string::npos) << listing;
    EXPECT_NE(listing.find("\noldtree\tDeleted FOLDER"), std::string::npos);
    for (const auto& [path, file] : image->files()) {
        const std::string line = path + "\t";
        const auto at = listing.find("\n" + line);
        ASSERT_NE(at, std::string::npos) << path << "\n" << listing;
        const std::string rest = listing.substr(at + 1 + line.size(), 40);
        EXPECT_EQ(rest.rfind("Deleted", 0) == 0, file.deleted) << path << ": " << rest;
        EXPECT_NE(rest.find("\t" + std::to_string(file.content.size()) + "\t"), std::string::npos)
            << path << ": " << rest;
    }
}

TEST_F(ExfatCommands, SaveWritesEveryFileByteForByteAndSoDoesASaveFromTheLog) {
    const std::filesystem::path log = dir / "card.dms";
    cli("save --partition 1 --save-log " + test::shellQuote(log.string()) + " --to " +
        test::shellQuote((dir / "saved").string()));
    expectSaved(dir / "saved");
    // The log holds the search: the same tree and the same files without searching.
    EXPECT_EQ(withoutProgress(cli("list --log " + test::shellQuote(log.string()))),
              withoutProgress(cli("list --partition 1")));
    cli("save --log " + test::shellQuote(log.string()) + " --to " +
        test::shellQuote((dir / "fromlog").string()));
    expectSaved(dir / "fromlog");
}

// The listing without the file systems an Advanced search names first.
std::string treeOnly(const std::string& output) {
    std::istringstream in(withoutProgress(output));
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("File System ", 0) != 0)
            kept += line + "\n";
    return kept;
}

// On a sound volume the Advanced mode finds the volume's own file system and lists the
// tree the Standard one does, whether the type comes from the partition or is typed
// with the range.
TEST_F(ExfatCommands, TheAdvancedModeListsTheSameTree) {
    const std::string standard = withoutProgress(cli("list --partition 1"));
    EXPECT_EQ(treeOnly(cli("list --partition 1 --mode advanced")), standard);
    EXPECT_EQ(treeOnly(cli("list --mode advanced" + range())), standard);
}

} // namespace
} // namespace qr::exfat
