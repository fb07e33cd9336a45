// First results before the sweep, on FAT16 and FAT32 images made with mkfs.fat and
// mtools: the walk from the root finds what the sweep finds of the folders it reaches;
// the walk's tree is browsable and tickable while the sweep runs, and the finished tree
// is the one a search without it builds, ticks kept; `list --walk-only` and the walk's
// count on stderr.
#include "app/FatSearch.h"
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "app/WalkedTree.h"
#include "disk/SectorReader.h"
#include "fat/RootWalk.h"
#include "fat/ScanFatDirectories.h"
#include "model/FileList.h"
#include "support/FatImages.h"
#include "support/RecordingWindow.h"
#include "support/TestSupport.h"
#include "support/WalkedTreeProbe.h"
#include "volume/VolumeValidation.h"

#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace qr::fat {
namespace {

// A card with live, deleted and orphaned folders: Docs/Sub, Photos, Gone/Inner (deleted
// with its tree), Parent/Orphan with Parent's directory overwritten.
void fillCard(test::FatImage& image) {
    image.mkdir("::/Docs");
    image.mkdir("::/Docs/Sub");
    image.writeFile("::/Docs/report.txt", "report");
    image.writeFile("::/Docs/Sub/note.txt", "note");
    image.mkdir("::/Photos");
    image.writeFile("::/Photos/one.jpg", std::string(900, 'j'));
    image.mkdir("::/Gone");
    image.mkdir("::/Gone/Inner");
    image.writeFile("::/Gone/Inner/deep.txt", "deep");
    image.mkdir("::/Parent");
    image.mkdir("::/Parent/Orphan");
    image.writeFile("::/Parent/Orphan/kept.txt", "kept");
    image.delTree("::/Gone");
    image.overwriteCluster(image.firstCluster("::/Parent"));
}

class WalkFirst : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!test::haveFatTools())
            GTEST_SKIP() << "mkfs.fat, sfdisk or mtools missing";
        test::FatImageOptions o;
        o.fatBits = GetParam();
        o.sizeMiB = GetParam() == 32 ? 40 : 16;
        o.sectorsPerCluster = GetParam() == 32 ? 1 : 4;
        image = std::make_unique<test::FatImage>(dir / "card.img", o);
        fillCard(*image);
    }
    std::unique_ptr<app::RecoveryContext> context(app::WindowItems& window) {
        app::Services services;
        services.window = &window;
        auto ctx = std::make_unique<app::RecoveryContext>(services);
        image->selectIn(*ctx);
        ctx->searchMode = app::kSearchStandard;
        ctx->validationSucceeded = app::ValidateVolume(*ctx) == 1;
        return ctx;
    }
    std::string cli(const std::string& args, std::string* err = nullptr) {
        const std::string errFile = (dir / "err").string();
        // Progress goes to its own file; only the listing is compared.
        const test::CommandResult r = test::run("(" + std::string(RECOVERY_CLI) + " --image " +
                                                test::shellQuote(image->path().string()) + " " +
                                                args + " 2>" + test::shellQuote(errFile) + ")");
        if (err) {
            std::ifstream in(errFile);
            *err = std::string(std::istreambuf_iterator<char>(in), {});
        }
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return r.output;
    }
    std::string volumeArgs() const {
        return "--fs " + image->fileSystemName() + " --start " +
               std::to_string(image->volumeStart()) + " --end " +
               std::to_string(image->volumeStart() + image->volumeSectors());
    }
    test::TempDir dir;
    std::unique_ptr<test::FatImage> image;
};

TEST_P(WalkFirst, TheWalkFindsWhatTheSweepFindsOfTheFoldersItReaches) {
    test::RecordingWindowItems window;
    auto ctx = context(window);
    app::LoadActiveGeometryFromVolume(*ctx);
    std::map<std::uint32_t, FoundDirectory> swept;
    ScanFatDirectories(*ctx->reader, ctx->volumeParams, {}, ctx->progress(), 0,
                       [&](const FoundDirectory& d) { swept[d.self] = d; });
    std::vector<FoundDirectory> walked;
    const std::uint64_t count = WalkFatFromRoot(
        app::FatVolumeOf(*ctx), {}, [&](const FoundDirectory& d) { walked.push_back(d); });
    ASSERT_EQ(count, walked.size());
    // Docs, Docs/Sub, Photos, Gone, Gone/Inner; not Parent (overwritten) nor its orphan.
    EXPECT_EQ(walked.size(), 5u);
    std::set<std::uint32_t> seen;
    for (const FoundDirectory& d : walked) {
        EXPECT_TRUE(seen.insert(d.self).second) << "cluster " << d.self << " walked twice";
        ASSERT_TRUE(swept.count(d.self)) << "cluster " << d.self << " is no sweep find";
        const FoundDirectory& s = swept.at(d.self);
        EXPECT_EQ(d.sector, s.sector);
        EXPECT_EQ(d.parent, s.parent);
        EXPECT_EQ(d.date, s.date);
        EXPECT_EQ(d.time, s.time);
        EXPECT_EQ(d.attributes, s.attributes);
    }
    EXPECT_EQ(seen.count(image->firstCluster("::/Docs/Sub")), 1u);
    EXPECT_EQ(swept.size(), walked.size() + 1); // the orphan only the sweep meets
}

TEST_P(WalkFirst, AFolderThatNamesItsAncestorIsWalkedOnce) {
    // Sub's directory gets an extra entry naming Docs: a circle the walk must not follow.
    const std::uint32_t docs = image->firstCluster("::/Docs");
    const std::uint32_t sub = image->firstCluster("::/Docs/Sub");
    std::string entry(32, '\0');
    entry.replace(0, 11, "LOOP       ");
    entry[11] = 0x10;
    entry[26] = static_cast<char>(docs & 0xFF);
    entry[27] = static_cast<char>(docs >> 8);
    entry[20] = static_cast<char>(docs >> 16);
    entry[21] = static_cast<char>(docs >> 24);
    image->writeBytes(image->clusterSector(sub) * 512 + 4 * 32, entry);
    test::RecordingWindowItems window;
    auto ctx = context(window);
    app::LoadActiveGeometryFromVolume(*ctx);
    std::multiset<std::uint32_t> walked;
    WalkFatFromRoot(app::FatVolumeOf(*ctx), {},
                    [&](const FoundDirectory& d) { walked.insert(d.self); });
    EXPECT_EQ(walked.count(docs), 1u);
    EXPECT_EQ(walked.size(), 5u);
}

// Counts the requests that reach the medium.
class CountingSource final : public disk::SectorSource {
public:
    explicit CountingSource(disk::SectorSource& inner) : inner_(inner) {}
    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        ++reads;
        return inner_.readSectors(start, count, buffer);
    }
    std::uint64_t sectorCount() override { return inner_.sectorCount(); }
    std::uint64_t reads = 0;

private:
    disk::SectorSource& inner_;
};

TEST_P(WalkFirst, FoldersMadeInARowAreReadAheadAndFoundAsOneByOne) {
    // Sixty folders in a row, then one far behind a large file: the read-ahead window
    // grows over the row and a folder out of sequence is read alone.
    for (int i = 0; i < 60; ++i)
        image->mkdir("::/Docs/F" + std::to_string(i));
    image->writeFile("::/big.bin", std::string(300 * 1024, 'b'));
    image->mkdir("::/Docs/Far");
    test::RecordingWindowItems window;
    auto ctx = context(window);
    app::LoadActiveGeometryFromVolume(*ctx);
    const auto walk = [&](bool cached, std::uint64_t& reads) {
        CountingSource counting(*ctx->reader);
        fat::FatVolume volume = app::FatVolumeOf(*ctx, cached);
        volume.source = &counting;
        std::map<std::uint32_t, std::uint64_t> found;
        WalkFatFromRoot(volume, {}, [&](const FoundDirectory& d) { found[d.self] = d.sector; });
        reads = counting.reads;
        return found;
    };
    std::uint64_t alone = 0;
    std::uint64_t ahead = 0;
    const auto plain = walk(false, alone);
    const auto cached = walk(true, ahead);
    EXPECT_EQ(cached, plain);
    // The new folders may take the deleted ones' clusters; each of them is found.
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(plain.count(image->firstCluster("::/Docs/F" + std::to_string(i))), 1u) << i;
    EXPECT_EQ(plain.count(image->firstCluster("::/Docs/Far")), 1u);
    // One request per folder head and one per listing without the window; with it the
    // row takes a handful of windows.
    EXPECT_LT(ahead * 4, alone) << ahead << " reads with the window, " << alone << " without";
}

TEST_P(WalkFirst, TheWalkedTreeIsBrowsedAndTickedWhileTheSweepRunsThenJoinsItsFolders) {
    // The search without the early tree, for comparison.
    test::RecordingWindowItems plainWindow;
    auto plain = context(plainWindow);
    app::ScanWorker(*plain, {});
    const auto expected = test::FoldersOf(plain->recoveryTree);

    // When the walk's tree is shown, the user ticks Docs; the sweep has not begun.
    test::WalkedTreeProbe browser;
    browser.act = [](app::RecoveryContext& c) {
        app::OnFolderItemClicked(c, test::RootChild(c.recoveryTree, "Docs"), /*onCheckBox=*/true);
    };
    auto ctx = context(browser);
    browser.ctx = ctx.get();
    ctx->showWalkedTree = true;
    ctx->scanWorkerRunning = true; // as StartScanWorker sets it
    app::ScanWorker(*ctx, {});

    ASSERT_TRUE(browser.seen);
    EXPECT_FALSE(browser.blocked);
    EXPECT_EQ(test::PathsOf(browser.walked),
              (std::set<std::string>{"/Docs", "/Docs/Sub", "/Photos", "/Gone", "/Gone/Inner"}));
    const auto final = test::FoldersOf(ctx->recoveryTree);
    EXPECT_EQ(test::PathsOf(final), test::PathsOf(expected));
    ASSERT_TRUE(final.count("/Lost"));
    EXPECT_EQ(final.at("/Docs"), model::CheckState::Checked);
    EXPECT_EQ(final.at("/Docs/Sub"), model::CheckState::Checked);
    EXPECT_EQ(final.at("/Photos"), model::CheckState::Unchecked);
    EXPECT_EQ(final.at("/Lost"), model::CheckState::Unchecked);
    EXPECT_FALSE(ctx->walkTreeShown);
    // The status line told the sweep's progress, and ends as a search without it does.
    bool told = false;
    for (const std::string& s : browser.statuses)
        told = told || s.starts_with("Folders reached from the root: 5. Searching for lost "
                                     "folders: ");
    EXPECT_TRUE(told);
    EXPECT_EQ(browser.statuses.back(), plainWindow.text(app::item::kStatusLine));
}

TEST_P(WalkFirst, AStopDuringTheSweepKeepsTheWalkedTreeWithItsTicksAndEachFolderOnce) {
    // The user ticks Docs on the walk's tree, then presses Stop as the sweep begins.
    std::promise<void> ticked;
    test::WalkedTreeProbe browser;
    browser.act = [&](app::RecoveryContext& c) {
        app::OnFolderItemClicked(c, test::RootChild(c.recoveryTree, "Docs"), /*onCheckBox=*/true);
        ticked.set_value();
    };
    auto ctx = context(browser);
    browser.ctx = ctx.get();
    ctx->showWalkedTree = true;
    app::StartScanWorker(*ctx);
    ticked.get_future().wait();
    app::StopSearch(*ctx);

    ASSERT_TRUE(browser.seen);
    EXPECT_FALSE(ctx->scanWorkerRunning);
    const auto final = test::FoldersOf(ctx->recoveryTree);
    for (const auto& [path, tick] : browser.walked)
        EXPECT_TRUE(final.count(path)) << path << " was shown and is gone after the stop";
    EXPECT_EQ(final.at("/Docs"), model::CheckState::Checked);
    EXPECT_EQ(final.at("/Docs/Sub"), model::CheckState::Checked);
    EXPECT_EQ(final.at("/Photos"), model::CheckState::Unchecked);
    // No folder twice under one parent (the walk's and a half sweep's rows together).
    std::multiset<std::string> rootNames;
    for (const model::TreeItem item : ctx->recoveryTree.children(ctx->recoveryTree.firstTopLevel()))
        rootNames.insert(ctx->recoveryTree.text(item));
    for (const std::string& name : rootNames)
        EXPECT_EQ(rootNames.count(name), 1u) << name;
    EXPECT_FALSE(ctx->walkTreeShown);
}

TEST_P(WalkFirst, ListWalkOnlyPrintsTheWalkedTreeAndListSaysTheWalksCount) {
    std::string err;
    const std::string walked = cli("list --walk-only " + volumeArgs(), &err);
    EXPECT_NE(err.find("folders reached from the root: 5\n"), std::string::npos) << err;
    const std::string whole = cli("list " + volumeArgs(), &err);
    EXPECT_NE(err.find("folders reached from the root: 5\n"), std::string::npos) << err;
    std::set<std::string> wholeLines;
    std::istringstream in(whole);
    for (std::string line; std::getline(in, line);)
        wholeLines.insert(line);
    std::istringstream walkIn(walked);
    int lines = 0;
    for (std::string line; std::getline(walkIn, line); ++lines)
        EXPECT_TRUE(wholeLines.count(line)) << "not in the whole listing: " << line;
    EXPECT_NE(walked.find("Docs/Sub/NOTE.TXT"), std::string::npos) << walked;
    EXPECT_EQ(walked.find("KEPT.TXT"), std::string::npos) << walked;
    EXPECT_NE(whole.find("KEPT.TXT"), std::string::npos) << whole;
    EXPECT_LT(static_cast<std::size_t>(lines), wholeLines.size());

    const test::CommandResult refused = test::run(
        std::string(RECOVERY_CLI) + " --image " + test::shellQuote(image->path().string()) +
        " list --walk-only --mode advanced " + volumeArgs() + " 2>&1");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.output.find("--walk-only goes with the Standard search"), std::string::npos)
        << refused.output;
}

INSTANTIATE_TEST_SUITE_P(Fat, WalkFirst, ::testing::Values(16, 32));

} // namespace
} // namespace qr::fat
