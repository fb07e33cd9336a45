// recovery-cli list and save on the NTFS test volume, end to end through the scan
// driver, the tree, the file list and the saving pass; saved files are compared with
// the files written and with icat.
#include "support/NtfsImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qr::ntfs {
namespace {

using test::NtfsImage;

class NtfsCommands : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        image = NtfsImage::shared(&why);
        if (!image)
            GTEST_SKIP() << why;
    }
    std::string cli(const std::string& command) {
        const test::CommandResult r = test::run(
            std::string(RECOVERY_CLI) + " --image " + test::shellQuote(image->path().string()) +
            " " + command + " --fs NTFS --start " + std::to_string(NtfsImage::kVolumeStart) +
            " --end " + std::to_string(NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors) +
            " 2>/dev/null");
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return r.output;
    }
    const NtfsImage* image = nullptr;
    test::TempDir dir;
};

TEST_F(NtfsCommands, ListShowsEveryFileAtItsPathWithDeletedLabelsAndTheLostFolder) {
    const std::string listing = cli("list");
    EXPECT_NE(listing.find("Lost\tFOLDER"), std::string::npos) << listing;
    for (const auto& [path, file] : image->files()) {
        // Files below a deleted folder carry the deleted label of their own record.
        const std::string line = path + "\t";
        const auto at = listing.find("\n" + line);
        ASSERT_NE(at, std::string::npos) << path << "\n" << listing;
        const std::string rest = listing.substr(at + 1 + line.size(), 40);
        EXPECT_EQ(rest.rfind("Deleted", 0) == 0, file.deleted) << path << ": " << rest;
        EXPECT_NE(rest.find("\t" + std::to_string(file.content.size()) + "\t"), std::string::npos)
            << path << ": " << rest;
    }
    EXPECT_EQ(listing.find("$MFT\t"), std::string::npos);
}

TEST_F(NtfsCommands, SaveWritesEveryFileByteForByte) {
    const std::filesystem::path to = dir / "saved";
    cli("save --to " + test::shellQuote(to.string()));
    for (const auto& [path, file] : image->files()) {
        SCOPED_TRACE(path);
        const std::filesystem::path saved = to / std::filesystem::u8path(path);
        ASSERT_TRUE(std::filesystem::exists(saved));
        const std::string bytes = test::ReadWholeFile(saved);
        EXPECT_TRUE(bytes == file.content) << bytes.size() << " bytes";
        if (!file.deleted) {
            EXPECT_TRUE(bytes == image->icat(file.record));
        }
    }
}

// A recovery log saved after the search lists the same tree and saves the same bytes
// without searching again.
TEST_F(NtfsCommands, ARecoveryLogSavedAfterTheSearchListsAndSavesTheSameFiles) {
    const std::string log = test::shellQuote((dir / "ntfs.DMS").string());
    const std::string searched = cli("list --save-log " + log);
    const auto fromLog = [&](const std::string& command) {
        const test::CommandResult r =
            test::run(std::string(RECOVERY_CLI) + " --image " +
                      test::shellQuote(image->path().string()) + " " + command + " --log " + log);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return r.output;
    };
    // The listing's rows (progress lines have no tab), so that a difference shows as
    // the rows that differ.
    const auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.find('\t') != std::string::npos)
                out.push_back(line);
        return out;
    };
    const std::vector<std::string> expected = lines(searched);
    const std::vector<std::string> loaded = lines(fromLog("list"));
    EXPECT_EQ(loaded.size(), expected.size());
    for (std::size_t i = 0, shown = 0; i < std::min(loaded.size(), expected.size()); ++i)
        if (loaded[i] != expected[i] && shown++ < 5)
            ADD_FAILURE() << "line " << i << ": " << loaded[i] << " instead of " << expected[i];

    const std::filesystem::path to = dir / "from-log";
    fromLog("save --to " + test::shellQuote(to.string()));
    for (const auto& [path, file] : image->files()) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(test::ReadWholeFile(to / std::filesystem::u8path(path)) == file.content);
    }
}

} // namespace
} // namespace qr::ntfs
