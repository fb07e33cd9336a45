// Re-parenting of orphaned folders under Lost, on FolderTable rows alone.
#include "model/LostDirectories.h"
#include "app/RecoveryContext.h"
#include "support/RecordingWindow.h"

#include <gtest/gtest.h>

namespace qr::fat {
namespace {

using namespace model::folder_col;
using model::FindLostDirectories;
using model::kFatRootParent;
using model::kNtfsRootParent;

class LostDirectories : public ::testing::Test {
protected:
    LostDirectories() {
        app::Services services;
        services.window = &window;
        ctx = std::make_unique<app::RecoveryContext>(services);
        row("Lost", "268435455", "0");
    }
    void row(const char* name, const char* self, const char* parent) {
        const int r = table().appendRow(name);
        table().setCell(r, Self, self);
        table().setCell(r, Parent, parent);
        table().setCell(r, Type, "FOLDER");
    }
    model::RecordTable& table() { return ctx->tables.folderTable; }
    std::string parentOf(int r) { return table().cell(r, Parent); }

    test::RecordingWindowItems window;
    std::unique_ptr<app::RecoveryContext> ctx;
};

TEST_F(LostDirectories, OrphanedSubtreeMovesAsOnePiece) {
    row("Dir1", "5", "0");  // under the root
    row("Dir2", "9", "77"); // parent cluster overwritten
    row("Dir3", "12", "9"); // below the orphan: stays under it
    row("Dir4", "14", "5");
    FindLostDirectories(table(), kFatRootParent, ctx->progress());
    EXPECT_EQ(parentOf(0), "0");
    EXPECT_EQ(parentOf(1), "0");
    EXPECT_EQ(parentOf(2), "268435455");
    EXPECT_EQ(parentOf(3), "9");
    EXPECT_EQ(parentOf(4), "5");
    EXPECT_EQ(window.text(app::item::kProgressCaption), "Searching Lost Directories 4/5");
}

TEST_F(LostDirectories, SelfParentAndMutualParentsAreNotMoved) {
    row("Dir1", "20", "20");
    row("Dir2", "30", "31");
    row("Dir3", "31", "30");
    FindLostDirectories(table(), kFatRootParent, ctx->progress());
    EXPECT_EQ(parentOf(1), "20");
    EXPECT_EQ(parentOf(2), "31");
    EXPECT_EQ(parentOf(3), "30");
}

TEST_F(LostDirectories, LostRowAloneIsLeftAsItIsWithoutProgress) {
    FindLostDirectories(table(), kFatRootParent, ctx->progress());
    EXPECT_EQ(parentOf(0), "0");
    EXPECT_TRUE(window.textHistory(app::item::kProgressCaption).empty());
}

TEST_F(LostDirectories, NtfsRootIsFiveAndTheAdvanceLostRowMoves) {
    row("Docs", "40", "5");
    row("Orphan", "41", "1234");
    FindLostDirectories(table(), kNtfsRootParent, ctx->progress());
    EXPECT_EQ(parentOf(0), "268435455"); // "0" names no found folder on NTFS
    EXPECT_EQ(parentOf(1), "5");
    EXPECT_EQ(parentOf(2), "268435455");
}

} // namespace
} // namespace qr::fat
