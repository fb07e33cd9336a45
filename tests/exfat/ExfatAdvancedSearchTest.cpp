// The Advanced exFAT search end to end through recovery-cli on a camera card that was
// reformatted, lost both boot regions, or lost its partition table too: the earlier
// file system is found and its photos are saved at their old paths, byte for byte, and
// a file saved with other bytes is named uncertain.
#include "support/ExfatCameraCard.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace qr::exfat {
namespace {

namespace fs = std::filesystem;
using test::ExfatCameraCard;
using Damage = ExfatCameraCard::Damage;

class AdvancedExfatCard : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        card = ExfatCameraCard::shared(&why);
        if (!card)
            GTEST_SKIP() << why;
    }

    test::CommandResult cli(const fs::path& image, const std::string& command) {
        return test::run(std::string(RECOVERY_CLI) + " --image " +
                         test::shellQuote(image.string()) + " " + command);
    }

    static std::string range(std::uint64_t start, std::uint64_t end) {
        return " --fs exFAT --start " + std::to_string(start) + " --end " + std::to_string(end);
    }

    // The number of the file system the advanced listing names with the card's own
    // cluster size (64 sectors), or 0; `count` gets how many it names.
    static int earlierSystem(const std::string& output, int& count) {
        static const std::regex line(
            "File System ([0-9]+) - exFAT.*Sectors Per Clusters : ([0-9]+)");
        int found = 0;
        count = 0;
        std::istringstream in(output);
        for (std::string text; std::getline(in, text);) {
            std::smatch m;
            if (!std::regex_search(text, m, line))
                continue;
            ++count;
            if (m[2] == "64" && found == 0)
                found = std::stoi(m[1]);
        }
        return found;
    }

    struct Outcome {
        int exact = 0, live = 0, exactDeleted = 0, deleted = 0;
    };

    // Saves the earlier file system of `image` and compares every file of the card.
    Outcome recover(const fs::path& image, const std::string& searched) {
        Outcome outcome;
        int systems = 0;
        const test::CommandResult listing = cli(image, "list --mode advanced" + searched);
        EXPECT_EQ(listing.exitCode, 0) << listing.output;
        const int number = earlierSystem(listing.output, systems);
        EXPECT_GT(number, 0) << listing.output;
        if (number == 0)
            return outcome;
        const fs::path to = dir / "saved";
        const test::CommandResult save =
            cli(image, "save --mode advanced" + searched + " --file-system " +
                           std::to_string(number) + " --to " + test::shellQuote(to.string()));
        EXPECT_EQ(save.exitCode, 0) << save.output;
        std::set<std::string> uncertain;
        std::istringstream in(save.output);
        for (std::string text; std::getline(in, text);)
            if (text.rfind("uncertain: ", 0) == 0)
                uncertain.insert(text.substr(11));
        for (const auto& [path, file] : card->files()) {
            const fs::path saved = to / fs::u8path(path);
            (file.deleted ? outcome.deleted : outcome.live) += 1;
            if (!fs::exists(saved))
                continue;
            if (test::ReadWholeFile(saved) == file.content) {
                (file.deleted ? outcome.exactDeleted : outcome.exact) += 1;
                continue;
            }
            // Other bytes at an old path are named.
            EXPECT_EQ(uncertain.count(saved.string()), 1u) << path << "\n" << save.output;
        }
        return outcome;
    }

    fs::path damaged(Damage damage) {
        const fs::path image = dir / "damaged.img";
        std::string why;
        EXPECT_TRUE(card->damagedCopy(damage, image, why)) << why;
        return image;
    }

    static std::string volumeRange() {
        return range(ExfatCameraCard::kVolumeStart,
                     ExfatCameraCard::kVolumeStart + ExfatCameraCard::kVolumeSectors);
    }

    static void expectMostSaved(const Outcome& outcome) {
        EXPECT_GE(outcome.exact * 100, outcome.live * 97)
            << outcome.exact << " of " << outcome.live << " live files byte for byte";
    }

    const ExfatCameraCard* card = nullptr;
    test::TempDir dir;
};

TEST_F(AdvancedExfatCard, ASoundCardHasOneFileSystemAndEveryFileComesBack) {
    int systems = 0;
    const test::CommandResult listing =
        cli(card->path(), "list --partition 1 --mode advanced 2>&1");
    EXPECT_EQ(earlierSystem(listing.output, systems), 1) << listing.output;
    EXPECT_EQ(systems, 1);
    const Outcome outcome = recover(card->path(), volumeRange());
    EXPECT_EQ(outcome.exact, outcome.live);
    EXPECT_EQ(outcome.exactDeleted, outcome.deleted);
}

// The new format's file system is found from its boot region, the earlier one from its
// folders; the fragmented photo lost its FAT to the new format and is named uncertain.
TEST_F(AdvancedExfatCard, AReformattedCardGivesBackItsEarlierFiles) {
    const fs::path image = damaged(Damage::Reformatted);
    int systems = 0;
    const test::CommandResult listing = cli(image, "list --mode advanced" + volumeRange());
    EXPECT_GT(earlierSystem(listing.output, systems), 1) << listing.output;
    EXPECT_EQ(systems, 2);
    expectMostSaved(recover(image, volumeRange()));
}

// The Standard search no longer writes the earlier files with the new cluster size: it
// says the volume seems formatted.
TEST_F(AdvancedExfatCard, TheStandardSearchOfAReformattedCardSaysItSeemsFormatted) {
    const fs::path image = damaged(Damage::Reformatted);
    const test::CommandResult listing = cli(image, "list --partition 1 2>&1");
    EXPECT_NE(listing.output.find("The volume seems to have been formatted"), std::string::npos)
        << listing.output;
    EXPECT_EQ(listing.output.find("IMG_1001.JPG"), std::string::npos) << listing.output;
}

// Its FAT survives the boot regions, so the fragmented photo comes back whole too.
TEST_F(AdvancedExfatCard, ACardWithoutBootRegionsGivesBackEveryFile) {
    const Outcome outcome = recover(damaged(Damage::BootRegionsZeroed), volumeRange());
    EXPECT_EQ(outcome.exact, outcome.live);
    EXPECT_EQ(outcome.exactDeleted, outcome.deleted);
}

TEST_F(AdvancedExfatCard, ACardWithoutTableOrBootRegionsIsSearchedWhole) {
    const Outcome outcome =
        recover(damaged(Damage::TableZeroed), range(0, ExfatCameraCard::kDiskSectors));
    EXPECT_EQ(outcome.exact, outcome.live);
    EXPECT_EQ(outcome.exactDeleted, outcome.deleted);
}

} // namespace
} // namespace qr::exfat
