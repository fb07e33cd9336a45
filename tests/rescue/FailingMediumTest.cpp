// Searching, saving and imaging through a failing card (FAT32 and exFAT, served by
// stall-fs): four 8-sector bad ranges and a slow area of 2,000 sectors at 20 ms a read.
// The save asks for each bad sector at most twice and is quick; the image equals the
// medium outside the bad ranges with a map ddrescuelog agrees with; a second run reads
// only what is left; a medium that stops answering leaves a map the next run resumes.
#include "support/FailingCard.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace qr::test {
namespace {

namespace fs = std::filesystem;

struct Built {
    std::unique_ptr<TempDir> dir;
    FailingCard card;
    std::string why;
    bool ok = false;
};

const Built& builtCard(const std::string& fileSystem) {
    static std::map<std::string, Built> cards;
    Built& b = cards[fileSystem];
    if (!b.dir) {
        b.dir = std::make_unique<TempDir>();
        b.ok = fileSystem == "FAT32" ? MakeFailingFatCard(b.dir->path(), b.card, b.why)
                                     : MakeFailingExfatCard(b.dir->path(), b.card, b.why);
    }
    return b;
}

std::string cli(const fs::path& medium, const std::string& args) {
    return std::string(RECOVERY_CLI) + " --image " + shellQuote(medium.string()) + " " + args;
}

class FailingMedium : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
#ifndef STALL_FS
        GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
        if (!FuseMedium::usable())
            GTEST_SKIP() << "FUSE missing";
        const Built& b = builtCard(GetParam());
        if (!b.ok)
            GTEST_SKIP() << b.why;
        card = &b.card;
#endif
    }
    std::string bytesOf(const fs::path& file, std::uint64_t sector, std::uint64_t count) {
        std::ifstream in(file, std::ios::binary);
        in.seekg(std::streamoff(sector * 512));
        std::string bytes(count * 512, '\0');
        in.read(bytes.data(), std::streamsize(bytes.size()));
        bytes.resize(std::size_t(in.gcount()));
        return bytes;
    }
    void expectImageOfCard(const fs::path& image) {
        const std::string medium = ReadWholeFile(card->image);
        const std::string copy = ReadWholeFile(image);
        ASSERT_EQ(copy.size(), medium.size());
        for (std::uint64_t s = 0; s < medium.size() / 512; ++s) {
            const std::string want =
                card->isBad(s) ? std::string(512, '\0') : medium.substr(s * 512, 512);
            if (copy.compare(s * 512, 512, want) != 0) {
                ADD_FAILURE() << "sector " << s << (card->isBad(s) ? " (bad)" : "");
                return;
            }
        }
    }
    std::uint64_t badBytes() const {
        std::uint64_t n = 0;
        for (const auto& [first, end] : card->badSectors)
            n += (end - first) * 512;
        return n;
    }

    // A save of the card fails (1): the folder whose directory is bad lost its files.
    static constexpr int kSaveExit = 1;

    const FailingCard* card = nullptr;
    TempDir dir;
};

#ifdef STALL_FS
TEST_P(FailingMedium, SaveAsksForEachBadSectorAtMostTwiceAndNamesWhatItLost) {
    FuseMedium medium(card->image, card->faults());
    ASSERT_TRUE(medium.mounted());
    const auto began = std::chrono::steady_clock::now();
    const CommandResult r =
        run(cli(medium.medium(), "save --partition 1 --replace yes-all --to " +
                                     shellQuote((dir / "out").string()) + " </dev/null"));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_EQ(r.exitCode, kSaveExit) << r.output;
    EXPECT_LE(seconds, 8.0) << r.output;
    for (const auto& [path, content] : card->cleanFiles)
        EXPECT_EQ(ReadWholeFile(dir / "out" / path), content) << path;
    for (const std::string& path : card->damagedFiles) {
        const std::string name = fs::path(path).filename().string();
        EXPECT_NE(r.output.find(name + ": 4096 bytes lie on sectors"), std::string::npos)
            << name << "\n"
            << r.output;
    }
    const std::map<std::uint64_t, std::uint32_t> counts = medium.readCounts();
    for (const auto& [first, end] : card->badSectors)
        for (std::uint64_t s = first; s < end; ++s) {
            const auto it = counts.find(s);
            EXPECT_LE(it == counts.end() ? 0u : it->second, 2u) << "bad sector " << s;
        }
    EXPECT_NE(r.output.find("the medium reads slowly around sector"), std::string::npos)
        << r.output;
}

// The folder whose directory cluster is bad is named with its path in the failures
// (found through its parent's entry), and its sibling folders are not.
TEST_P(FailingMedium, SaveNamesTheFolderWhoseDirectoryCannotBeRead) {
    FuseMedium medium(card->image, card->faults());
    ASSERT_TRUE(medium.mounted());
    const CommandResult r =
        run(cli(medium.medium(), "save --partition 1 --replace yes-all --to " +
                                     shellQuote((dir / "out").string()) + " </dev/null"));
    EXPECT_EQ(r.exitCode, kSaveExit) << r.output;
    const std::string named = ": the folder's directory could not be read from the medium";
    EXPECT_NE(r.output.find(card->unreadableFolder + named), std::string::npos) << r.output;
    std::size_t folders = 0;
    for (std::size_t at = r.output.find(named); at != std::string::npos;
         at = r.output.find(named, at + 1))
        ++folders;
    EXPECT_EQ(folders, 1u) << r.output;
}

TEST_P(FailingMedium, ImageEqualsTheMediumOutsideTheBadRangesAndResumesFromItsMap) {
    FuseMedium medium(card->image, card->faults());
    ASSERT_TRUE(medium.mounted());
    const fs::path image = dir / "copy.img", map = dir / "copy.map";
    CommandResult r = run(cli(medium.medium(), "image --to " + shellQuote(image.string()) +
                                                   " --map " + shellQuote(map.string())));
    EXPECT_EQ(r.exitCode, 3) << r.output;
    EXPECT_NE(r.output.find("bad areas: 4"), std::string::npos) << r.output;
    expectImageOfCard(image);
    std::map<std::uint64_t, std::uint32_t> counts = medium.readCounts();
    for (const auto& [sector, count] : counts)
        EXPECT_LE(count, 2u) << "sector " << sector;
    if (haveTools({"ddrescuelog"})) {
        // ddrescuelog lists exactly the bad sectors.
        std::string expected;
        for (const auto& [first, end] : card->badSectors)
            for (std::uint64_t s = first; s < end; ++s)
                expected += std::to_string(s) + "\n";
        const CommandResult list =
            run("ddrescuelog -b 512 -l- " + shellQuote(map.string()) + " | sort -n");
        EXPECT_EQ(list.output, run("printf '" + expected + "' | sort -n").output);
        const CommandResult total = run("ddrescuelog -t " + shellQuote(map.string()));
        EXPECT_NE(total.output.find("bad-sector:    " + std::to_string(badBytes()) + " B"),
                  std::string::npos)
            << total.output;
    }

    // Again with one retry: only the bad sectors are asked for, once each.
    r = run(cli(medium.medium(), "image --retries 1 --to " + shellQuote(image.string()) +
                                     " --map " + shellQuote(map.string())));
    EXPECT_EQ(r.exitCode, 3) << r.output;
    const std::map<std::uint64_t, std::uint32_t> after = medium.readCounts();
    for (const auto& [sector, count] : after) {
        const std::uint32_t before = counts.count(sector) ? counts.at(sector) : 0;
        EXPECT_EQ(count - before, card->isBad(sector) ? 1u : 0u) << "sector " << sector;
    }
    expectImageOfCard(image);

    // The image with its map is the card again: the same files saved, the same named.
    const CommandResult saved =
        run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image.string()) + " --map " +
            shellQuote(map.string()) + " save --partition 1 --replace yes-all --to " +
            shellQuote((dir / "from-image").string()) + " </dev/null");
    EXPECT_EQ(saved.exitCode, kSaveExit) << saved.output;
    for (const auto& [path, content] : card->cleanFiles)
        EXPECT_EQ(ReadWholeFile(dir / "from-image" / path), content) << path;
    for (const std::string& path : card->damagedFiles)
        EXPECT_NE(saved.output.find(fs::path(path).filename().string() + ": 4096 bytes lie on"),
                  std::string::npos)
            << path << "\n"
            << saved.output;

    // A map of another size is refused with its line, before anything is read.
    std::ofstream(dir / "short.map") << "0x0 + 1\n0x0 0x200 +\n";
    const CommandResult refused =
        run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image.string()) + " --map " +
            shellQuote((dir / "short.map").string()) + " list --partition 1");
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("short.map:2: the map ends at byte 512"), std::string::npos)
        << refused.output;
}

TEST_P(FailingMedium, MediumThatStopsAnsweringLeavesAMapTheNextRunResumes) {
    const fs::path image = dir / "copy.img", map = dir / "copy.map";
    {
        FuseFaults faults = card->faults();
        faults.goneFromRead = 300; // about a third of the way
        FuseMedium medium(card->image, faults);
        ASSERT_TRUE(medium.mounted());
        const CommandResult r =
            run(cli(medium.medium(), "image --to " + shellQuote(image.string()) + " --map " +
                                         shellQuote(map.string())));
        EXPECT_EQ(r.exitCode, 4) << r.output;
        EXPECT_NE(r.output.find("stopped answering"), std::string::npos) << r.output;
    }
    const std::string firstMap = ReadWholeFile(map);
    ASSERT_NE(firstMap.find("+"), std::string::npos) << firstMap;
    ASSERT_NE(firstMap.find("?"), std::string::npos) << firstMap;

    FuseMedium medium(card->image, card->faults()); // the card is back
    ASSERT_TRUE(medium.mounted());
    const CommandResult r = run(cli(medium.medium(), "image --to " + shellQuote(image.string()) +
                                                         " --map " + shellQuote(map.string())));
    EXPECT_EQ(r.exitCode, 3) << r.output;
    expectImageOfCard(image);
    // What the first run rescued was not read again: the first 64 KiB blocks.
    const std::map<std::uint64_t, std::uint32_t> counts = medium.readCounts();
    EXPECT_EQ(counts.count(0), 0u);
    EXPECT_EQ(counts.count(127), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cards, FailingMedium, ::testing::Values("FAT32", "exFAT"));
#endif

// Refused before anything is read or written: a damaged map (the image untouched) and a
// destination that is the medium itself.
TEST(ImageCommand, RefusesADamagedMapAndTheMediumAsDestination) {
    TempDir dir;
    const fs::path medium = dir / "medium.img", copy = dir / "copy.img", map = dir / "copy.map";
    std::ofstream(medium, std::ios::binary) << std::string(64 * 1024, 'm');
    std::ofstream(copy, std::ios::binary) << "keep";
    std::ofstream(map) << "# Mapfile\n0x0 ? 1\n0x0 0x8000 +\n0x7000 0x9000 ?\n";
    CommandResult r = run(cli(medium, "image --to " + shellQuote(copy.string()) + " --map " +
                                          shellQuote(map.string())));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("copy.map:4: the block overlaps"), std::string::npos) << r.output;
    EXPECT_EQ(ReadWholeFile(copy), "keep");

    r = run(cli(medium, "image --to " + shellQuote(medium.string())));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(ReadWholeFile(medium), std::string(64 * 1024, 'm'));
}

} // namespace
} // namespace qr::test
