// A save from a recovery log through a medium that answers nothing ends the same way
// for every engine: a card pulled out (every read ENXIO) stops the save with exit code
// 4 and writes no file; a medium unreadable everywhere (every read EIO) writes no file
// made only of zeros and does not report success.
#include "support/ExfatImages.h"
#include "support/FatImages.h"
#include "support/FuseMedium.h"
#include "support/NtfsImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

#ifdef STALL_FS
// A healthy card of one file system and the log of its Standard search.
struct LoggedCard {
    fs::path image;
    fs::path log;
    std::string why;
};

const LoggedCard& loggedCard(const std::string& fileSystem) {
    static std::map<std::string, LoggedCard> cards;
    static std::vector<std::unique_ptr<TempDir>> dirs;
    static std::vector<std::unique_ptr<FatImage>> fatImages;
    auto [it, made] = cards.try_emplace(fileSystem);
    LoggedCard& card = it->second;
    if (!made)
        return card;
    dirs.push_back(std::make_unique<TempDir>());
    const TempDir& dir = *dirs.back();
    if (fileSystem == "FAT32") {
        if (!haveFatTools()) {
            card.why = "mkfs.fat, mtools or sfdisk missing";
            return card;
        }
        FatImageOptions options;
        options.partitioned = true;
        fatImages.push_back(std::make_unique<FatImage>(dir / "card.img", options));
        fatImages.back()->mkdir("::/DCIM");
        fatImages.back()->writeFile("::/DCIM/PHOTO.JPG", PatternBytes(90000, 7));
        fatImages.back()->writeFile("::/LETTER.DOC", PatternBytes(5000, 8));
        card.image = fatImages.back()->path();
    } else if (fileSystem == "NTFS") {
        const NtfsImage* ntfs = NtfsImage::shared(&card.why);
        if (!ntfs)
            return card;
        card.image = ntfs->path();
    } else {
        const ExfatImage* exfat = ExfatImage::shared(&card.why);
        if (!exfat)
            return card;
        card.image = exfat->path();
    }
    // The log is made through the FUSE file the failing medium is served as later: a log
    // belongs to the disk it was made on.
    card.log = dir / "card.DMS";
    const FuseMedium healthy(card.image, FuseFaults{});
    const CommandResult listed =
        run(std::string(RECOVERY_CLI) + " --image " + shellQuote(healthy.medium().string()) +
            " list --disk 0 --partition 1 --save-log " + shellQuote(card.log.string()) +
            " >/dev/null 2>&1 </dev/null");
    if (!healthy.mounted() || listed.exitCode != 0 || !fs::exists(card.log))
        card.why = "the search of the healthy card failed";
    return card;
}
#endif

// Regular files below `folder`, and how many of them hold only zero bytes (an empty
// file is what its entry says, not zeros).
std::pair<int, int> filesAndZeroFiles(const fs::path& folder) {
    int files = 0, zeros = 0;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string bytes = ReadWholeFile(entry.path());
        if (!bytes.empty() &&
            std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; }))
            ++zeros;
    }
    return {files, zeros};
}

class DeadMediumSave : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
#ifndef STALL_FS
        GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
        if (!FuseMedium::usable())
            GTEST_SKIP() << "FUSE missing";
        card = &loggedCard(GetParam());
        if (!card->why.empty())
            GTEST_SKIP() << card->why;
#endif
    }
    CommandResult saveFromLog(const fs::path& medium) {
        return run(std::string(RECOVERY_CLI) + " --image " + shellQuote(medium.string()) +
                   " save --disk 0 --log " + shellQuote(card->log.string()) + " --to " +
                   shellQuote((out.path() / "saved").string()) + " 2>&1 </dev/null");
    }
    const LoggedCard* card = nullptr;
    TempDir out;
};

#ifdef STALL_FS
TEST_P(DeadMediumSave, APulledCardStopsTheSaveWithExitCode4AndWritesNoFile) {
    FuseFaults faults;
    faults.goneFromRead = 1;
    FuseMedium medium(card->image, faults);
    ASSERT_TRUE(medium.mounted());
    const CommandResult r = saveFromLog(medium.medium());
    EXPECT_EQ(r.exitCode, 4) << r.output;
    EXPECT_NE(r.output.find("stopped answering"), std::string::npos) << r.output;
    EXPECT_EQ(filesAndZeroFiles(out.path() / "saved").first, 0) << r.output;
}

TEST_P(DeadMediumSave, AMediumUnreadableEverywhereWritesNoFileOfZerosAndFails) {
    FuseFaults faults;
    faults.bad = {{0, fs::file_size(card->image)}};
    FuseMedium medium(card->image, faults);
    ASSERT_TRUE(medium.mounted());
    const CommandResult r = saveFromLog(medium.medium());
    EXPECT_NE(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.find("Wrong Disk"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("could not be read"), std::string::npos) << r.output;
    EXPECT_EQ(filesAndZeroFiles(out.path() / "saved").second, 0) << r.output;
}
#endif

INSTANTIATE_TEST_SUITE_P(EveryEngine, DeadMediumSave, ::testing::Values("FAT32", "NTFS", "exFAT"));

} // namespace
} // namespace qr::test
