// First results on a slow card: a FAT16 card served at 3 MB a second. The walk's tree is
// on screen within two seconds of Next while the sweep runs, marked as still searching;
// a folder opens, a tick is given and a save of it ends while the sweep goes on; the
// sweep's folders then join the tree, the tick kept.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "dialogs/SaveSummaryDialog.h"
#include "support/FatImages.h"
#include "support/FuseMedium.h"
#include "support/SaveFixtures.h"
#include "support/WalkedTreeProbe.h"

#include <QLabel>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;
namespace fs = std::filesystem;

TEST(WalkFirstWindow, TheWalkedTreeIsBrowsedAndSavedWhileTheSweepRuns) {
#ifndef STALL_FS
    GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
    if (!haveFatTools() || !FuseMedium::usable())
        GTEST_SKIP() << "mkfs.fat, mtools, sfdisk or FUSE missing";
    TempDir dir;
    FatImageOptions o;
    o.fatBits = 16;
    o.sizeMiB = 40;
    o.sectorsPerCluster = 4;
    o.partitioned = true;
    FatImage image(dir / "card.img", o);
    image.mkdir("::/DCIM");
    image.mkdir("::/DCIM/100MEDIA");
    image.writeFile("::/DCIM/100MEDIA/PIC1.JPG",
                    std::string("\xFF\xD8\xFF\xE0") + PatternBytes(8000, 1));
    image.mkdir("::/MUSIC");
    image.writeFile("::/MUSIC/SONG.MP3", PatternBytes(3000, 2));
    image.mkdir("::/OLD");
    image.mkdir("::/OLD/KEPT");
    image.writeFile("::/OLD/KEPT/NOTE.TXT", "kept");
    image.overwriteCluster(image.firstCluster("::/OLD")); // KEPT only the sweep finds
    FuseFaults slow;
    slow.bytesPerSecond = 3'000'000;
    FuseMedium medium(image.path(), slow);
    ASSERT_TRUE(medium.mounted());

    GuiSession s({}, false, {medium.medium().string()});
    gui::MainWindow& w = *s.window;
    toPartitionStep(w);
    auto* partitions = w.tree(item::kPartitionTree);
    ASSERT_TRUE(waitFor([&] { return findRow(partitions, "Partition - 1 ( FAT16 )").isValid(); }));
    clickRow(partitions, findRow(partitions, "Partition - 1 ( FAT16 )"));
    const auto next = std::chrono::steady_clock::now();
    click(w.item(item::kNext));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] {
        return w.context().walkTreeShown && folders->isVisible() &&
               findRow(folders, "MUSIC").isValid();
    }));
    EXPECT_LT(std::chrono::steady_clock::now() - next, std::chrono::seconds(2));
    ASSERT_TRUE(w.context().scanWorkerRunning) << "the sweep ended before the tree was seen";
    auto* status = qobject_cast<QLabel*>(w.item(item::kStatusLine));
    ASSERT_TRUE(waitFor([&] { return status->text().contains("Searching for lost folders: "); }));
    EXPECT_FALSE(findRow(folders, "Lost").isValid());
    screenshot(&w, "walked-tree-while-sweeping");

    // Open DCIM/100MEDIA, tick MUSIC and save it, all before the sweep's end.
    clickRow(folders, findRow(folders, "DCIM"));
    folders->expand(findRow(folders, "DCIM"));
    ASSERT_TRUE(waitFor([&] { return findRow(folders, "100MEDIA").isValid(); }));
    clickRow(folders, findRow(folders, "100MEDIA"));
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() == 1; }));
    EXPECT_EQ(w.context().fileList.row(0).cells[model::file_col::Name], "PIC1.JPG");
    tickRow(folders, findRow(folders, "MUSIC"));
    const fs::path out = dir / "saved";
    saveTickedTo(w, out);
    ASSERT_TRUE(waitFor([&] { return w.saveSummary() != nullptr; }, 30000));
    EXPECT_EQ(w.context().save.summary.written, 1u);
    EXPECT_FALSE(findFile(out, "SONG.MP3").empty());
    EXPECT_TRUE(findFile(out, "PIC1.JPG").empty());
    w.saveSummary()->close();
    EXPECT_TRUE(w.context().scanWorkerRunning) << "the save outlasted the sweep";

    ASSERT_TRUE(waitFor([&] { return !w.context().scanWorkerRunning; }, 60000));
    ASSERT_TRUE(waitFor([&] { return findRow(folders, "Lost").isValid(); }));
    const model::TreeModel& tree = w.context().recoveryTree;
    EXPECT_EQ(tree.check(RootChild(tree, "MUSIC")), model::CheckState::Checked);
    EXPECT_EQ(tree.check(RootChild(tree, "DCIM")), model::CheckState::Unchecked);
    EXPECT_EQ(tree.children(RootChild(tree, "Lost")).size(), 1u); // KEPT, by its scan name
    EXPECT_FALSE(w.context().walkTreeShown);
    EXPECT_FALSE(status->text().contains("Searching for lost folders"));
    screenshot(&w, "walked-tree-joined");
#endif
}

} // namespace
} // namespace qr::test
