// The tree builder and the browsing controller on FolderTable rows and the tree
// model, without a disk (the file-system name is left empty, so nothing is read).
#include "model/RecoveryTree.h"
#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "model/FolderTreeEvents.h"
#include "support/RecordingWindow.h"

#include <chrono>
#include <gtest/gtest.h>

namespace qr::model {
namespace {

using namespace folder_col;

class RecoveryTree : public ::testing::Test {
protected:
    RecoveryTree() {
        app::Services services;
        services.window = &window;
        ctx = std::make_unique<app::RecoveryContext>(services);
    }
    void row(const char* name, const char* self, const char* parent, bool deleted = false) {
        RecordTable& t = ctx->tables.folderTable;
        const int r = t.appendRow(name);
        t.setCell(r, Self, self);
        t.setCell(r, Parent, parent);
        t.setCell(r, Date, "13192");
        t.setCell(r, Time, "18600");
        t.setCell(r, Type, "FOLDER");
        if (deleted)
            t.setCell(r, Deleted, "1");
    }
    TreeItem child(TreeItem parent, const std::string& text) {
        for (TreeItem c : ctx->recoveryTree.children(parent))
            if (ctx->recoveryTree.text(c) == text)
                return c;
        return kNoItem;
    }
    TreeItem root() { return ctx->recoveryTree.firstTopLevel(); }

    test::RecordingWindowItems window;
    std::unique_ptr<app::RecoveryContext> ctx;
};

TEST_F(RecoveryTree, BreadthFirstUnderRootAndLost) {
    row("Lost", "268435455", "0");
    row("Dir1", "5", "0");
    row("Dir2", "9", "268435455");
    row("Dir3", "12", "9");
    row("Dir4", "14", "5", true);
    BuildFolderTree(*ctx, TreeVariant::FatStandard);
    EXPECT_EQ(ctx->recoveryTree.text(root()), "Root");
    const TreeItem lost = child(root(), "Lost");
    const TreeItem dir1 = child(root(), "Dir1");
    ASSERT_NE(lost, kNoItem);
    ASSERT_NE(dir1, kNoItem);
    const TreeItem dir2 = child(lost, "Dir2");
    EXPECT_NE(child(dir2, "Dir3"), kNoItem);
    EXPECT_NE(child(dir1, "Dir4"), kNoItem);
    EXPECT_EQ(ctx->tables.folderTable.rowCount(), 0);
    // Insertion order is breadth first: the two root children, then their children.
    ASSERT_EQ(ctx->folderNodes.size(), 5u);
    EXPECT_EQ(ctx->folderNodes[0].name, "Lost");
    EXPECT_EQ(ctx->folderNodes[1].name, "Dir1");
    EXPECT_EQ(ctx->folderNodes[4].name, "Dir3");
    EXPECT_TRUE(ctx->folderNodes[3].deleted);
    for (const FolderNode& n : ctx->folderNodes)
        EXPECT_TRUE(n.childrenNamed);
    EXPECT_EQ(window.text(app::item::kProgressBar), "100% Completed");
    EXPECT_EQ(FolderPath(ctx->recoveryTree, child(dir2, "Dir3")), "Lost\\Dir2\\Dir3");
    EXPECT_EQ(FolderPath(ctx->recoveryTree, root()), "");
}

TEST_F(RecoveryTree, FoldersNamingEachOtherInACircleEnd) {
    // Two rows claim cluster 5; the second hangs below the first's child, whose own
    // children include the first again.
    row("A", "5", "0");
    row("B", "6", "5");
    row("C", "5", "6");
    BuildFolderTree(*ctx, TreeVariant::FatStandard);
    const TreeItem a = child(root(), "A");
    const TreeItem b = child(a, "B");
    const TreeItem c = child(b, "C");
    ASSERT_NE(c, kNoItem);
    EXPECT_EQ(child(c, "B"), kNoItem);
    EXPECT_EQ(ctx->folderNodes.size(), 3u);
}

TEST_F(RecoveryTree, HundredThousandFoldersIncludingDeepChainsBuildQuickly) {
    // 100 root folders, each holding a chain of 999 nested folders.
    RecordTable& t = ctx->tables.folderTable;
    row("Lost", "268435455", "0");
    std::uint32_t cluster = 2;
    for (int top = 0; top < 100; ++top) {
        std::uint32_t parent = 0;
        for (int depth = 0; depth < 1000; ++depth, ++cluster) {
            const int r = t.appendRow("Dir" + std::to_string(cluster));
            t.setNumber(r, Self, cluster);
            t.setNumber(r, Parent, parent);
            t.setCell(r, Type, "FOLDER");
            parent = cluster;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    BuildFolderTree(*ctx, TreeVariant::FatStandard);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(ctx->folderNodes.size(), 100001u);
    EXPECT_LT(seconds.count(), 30.0); // seconds in practice; generous for sanitizer builds
    const FolderNode& deepest = ctx->folderNodes[ctx->folderNodes.size() - 1];
    EXPECT_EQ(deepest.selfKey, cluster - 1);
}

TEST_F(RecoveryTree, ClickListsTheFolderAndMovesTheCurrentImage) {
    row("Lost", "268435455", "0");
    row("Docs", "5", "0", true);
    row("Sub", "7", "5");
    BuildFolderTree(*ctx, TreeVariant::FatStandard);
    const TreeItem docs = child(root(), "Docs");
    const TreeItem sub = child(docs, "Sub");

    OnFolderItemClicked(*ctx, docs, false);
    EXPECT_EQ(window.text(app::item::kCurrentFolder), "Docs");
    EXPECT_EQ(ctx->recoveryTree.get(docs).image, tree_image::kCurrentFolder);
    ASSERT_EQ(ctx->fileList.rowCount(), 1);
    const FileListRow r = ctx->fileList.row(0);
    EXPECT_EQ(r.cells[file_col::Name], "Sub");
    EXPECT_EQ(r.cells[file_col::Type], "Deleted FOLDER"); // below a deleted folder
    EXPECT_EQ(r.cells[file_col::Date], "08-Dec-2005");
    EXPECT_EQ(r.cells[file_col::Time], "09:05");
    EXPECT_EQ(r.cells[file_col::DebugInfo3], std::to_string(sub));

    OnFolderItemClicked(*ctx, sub, false);
    EXPECT_EQ(ctx->recoveryTree.get(docs).image, tree_image::kFolder);
    EXPECT_EQ(ctx->currentFolderItem, sub);
    EXPECT_EQ(window.text(app::item::kCurrentFolder), "Docs\\Sub");

    ctx->recoveryTree.setSelected(docs);
    OnFolderEnterKey(*ctx);
    EXPECT_EQ(ctx->fileList.row(0).cells[file_col::Type], "Deleted Folder");
    EXPECT_TRUE(ctx->listOnExpansion);
    OnFolderItemExpanding(*ctx, sub, true);
    EXPECT_FALSE(ctx->listOnExpansion);
    EXPECT_EQ(ctx->currentFolderItem, sub);

    // The Lost folder lists its orphans only, never files.
    OnFolderItemClicked(*ctx, child(root(), "Lost"), false);
    EXPECT_EQ(ctx->fileList.rowCount(), 0);
}

// The root listed by a click or by Enter becomes the current folder, so files picked in
// its list are saved as the root's, not under the folder opened before.
TEST_F(RecoveryTree, RootListedIsTheCurrentFolder) {
    row("Docs", "5", "0");
    BuildFolderTree(*ctx, TreeVariant::FatStandard);
    const TreeItem docs = child(root(), "Docs");
    OnFolderItemClicked(*ctx, docs, false);
    OnFolderItemClicked(*ctx, root(), false);
    EXPECT_EQ(ctx->currentFolderItem, root());
    EXPECT_EQ(ctx->recoveryTree.get(docs).image, tree_image::kFolder);
    EXPECT_EQ(ctx->recoveryTree.get(root()).image, tree_image::kRoot) << "the root keeps its image";

    OnFolderItemClicked(*ctx, docs, false);
    ctx->recoveryTree.setSelected(root());
    OnFolderEnterKey(*ctx);
    EXPECT_EQ(ctx->currentFolderItem, root());
    EXPECT_EQ(ctx->recoveryTree.get(docs).image, tree_image::kFolder);
}

TEST_F(RecoveryTree, CheckBoxClickChecksInsteadOfListing) {
    row("Docs", "5", "0");
    BuildFolderTree(*ctx, TreeVariant::FatStandard);
    const TreeItem docs = child(root(), "Docs");
    OnFolderItemClicked(*ctx, docs, true);
    EXPECT_EQ(ctx->recoveryTree.check(docs), CheckState::Checked);
    EXPECT_EQ(ctx->recoveryTree.check(root()), CheckState::Checked);
    EXPECT_EQ(ctx->currentFolderItem, kNoItem);
}

} // namespace
} // namespace qr::model
