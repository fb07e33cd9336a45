// Folders of an mtools volume whose first cluster was damaged by the test: the dot
// entries swapped or moved down, or "." gone. Every folder is still listed with its
// files, found by its own dot entries wherever they stand or by its parent's entry.
#include "support/FatImages.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qr::test {
namespace {

class DamagedDirectoryHead : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!haveFatTools())
            GTEST_SKIP() << "mkfs.fat, mtools or sfdisk missing";
        FatImageOptions o;
        o.fatBits = GetParam();
        o.sizeMiB = GetParam() == 16 ? 16 : 40; // mkfs.fat's FAT16 has at most 65524 clusters
        o.partitioned = true;
        image = std::make_unique<FatImage>(dir / "card.img", o);
        image->mkdir("::/DOCS");
        image->writeFile("::/DOCS/LETTER.TXT", letter);
        image->mkdir("::/DOCS/INNER");
        image->writeFile("::/DOCS/INNER/NOTE.TXT", note);
        docs = image->clusterSector(image->firstCluster("::/DOCS")) * 512;
    }
    std::string entry(std::size_t index) {
        return ReadWholeFile(image->path()).substr(docs + index * 32, 32);
    }
    CommandResult list() {
        return run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image->path().string()) +
                   " list --disk 0 --partition 1");
    }
    void expectWholeTree() {
        const CommandResult r = list();
        ASSERT_EQ(r.exitCode, 0) << r.output;
        for (const char* line :
             {"DOCS\t", "DOCS/LETTER.TXT\t", "DOCS/INNER\t", "DOCS/INNER/NOTE.TXT\t"})
            EXPECT_NE(r.output.find(std::string("\n") + line), std::string::npos)
                << line << " missing from\n"
                << r.output;
        EXPECT_EQ(r.output.find("Lost/"), std::string::npos) << r.output;
        const std::filesystem::path out = dir / ("out" + std::to_string(++saves));
        const CommandResult saved =
            run(std::string(RECOVERY_CLI) + " --image " + shellQuote(image->path().string()) +
                " save --partition 1 --to " + shellQuote(out.string()) + " DOCS </dev/null");
        ASSERT_EQ(saved.exitCode, 0) << saved.output;
        EXPECT_EQ(ReadWholeFile(out / "DOCS/LETTER.TXT"), letter);
        EXPECT_EQ(ReadWholeFile(out / "DOCS/INNER/NOTE.TXT"), note);
    }

    const std::string letter = PatternBytes(1500, 7), note = PatternBytes(900, 8);
    TempDir dir;
    std::unique_ptr<FatImage> image;
    std::uint64_t docs = 0;
    int saves = 0;
};

TEST_P(DamagedDirectoryHead, SwappedDotEntriesAreRecognised) {
    const std::string dot = entry(0), dotDot = entry(1);
    image->writeBytes(docs, dotDot + dot);
    expectWholeTree();
}

TEST_P(DamagedDirectoryHead, DotEntriesBelowOtherEntriesAreRecognised) {
    // "." and ".." change places with the folder's third and fourth entries.
    const std::string dots = entry(0) + entry(1);
    const std::string others = entry(2) + entry(3);
    ASSERT_NE(others[0], '\0');
    image->writeBytes(docs, others + dots);
    expectWholeTree();
}

TEST_P(DamagedDirectoryHead, FolderWithoutItsDotEntryIsKeptThroughItsParent) {
    const std::string dotDot = entry(1);
    std::string gone = entry(0);
    gone[0] = static_cast<char>(0xE5); // "." deleted
    image->writeBytes(docs, gone);
    expectWholeTree();
    // And overwritten with a second "..".
    image->writeBytes(docs, dotDot);
    expectWholeTree();
}

INSTANTIATE_TEST_SUITE_P(Fat, DamagedDirectoryHead, ::testing::Values(16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });

} // namespace
} // namespace qr::test
