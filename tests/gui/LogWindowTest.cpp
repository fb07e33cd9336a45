// Save Log and Load Log in the wizard window: a log saved from the menu after a search
// loads from the partition step's button into the same tree, and a log of another
// disk model puts the partition step back.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "app/RecoveryLogCommands.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;

class LogWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
            GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
    }
    // Disk0 in Standard mode, on the partition step.
    static void toPartitionStep(gui::MainWindow& w) {
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
        hover(w.item(item::kQuickMode));
        click(w.item(item::kNext));
        ASSERT_EQ(w.context().wizardStage, 1);
    }
};

TEST_F(LogWindow, ALogSavedAfterASearchLoadsFromThePartitionStep) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    TempDir logs;
    toPartitionStep(w);
    clickRow(w.tree(item::kPartitionTree),
             findRow(w.tree(item::kPartitionTree), "Partition - 1 ( FAT32 )"));
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               w.context().recoveryTree.size() > 1;
    }));
    const std::size_t folders = w.context().folderNodes.size();
    ASSERT_TRUE(waitFor([&] { return w.command(item::kMenuSaveLog)->isEnabled(); }));
    answerFileDialog((logs.path() / "card").string());
    w.command(item::kMenuSaveLog)->trigger();
    ASSERT_TRUE(std::filesystem::exists(logs.path() / "card.DMS"));

    click(w.item(item::kBack));
    ASSERT_EQ(w.context().wizardStage, 1);
    EXPECT_TRUE(w.context().folderNodes.empty());
    answerFileDialog((logs.path() / "card.DMS").string());
    click(w.item(item::kLoadLogButton));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().logLoadRunning &&
               w.context().folderNodes.size() == folders;
    }));
    QApplication::processEvents();
    EXPECT_TRUE(findRow(w.tree(item::kRecoveryTree), "Documents").isValid());
    EXPECT_TRUE(w.item(item::kRecoveryTree)->isEnabled());
    EXPECT_TRUE(w.item(item::kSaveButton)->isEnabled());
    EXPECT_FALSE(w.item(item::kLoadLogButton)->isEnabled());
    EXPECT_EQ(w.context().searchMode, app::kSearchStandard);
    EXPECT_EQ(s.messages.count(), 0u);
}

TEST_F(LogWindow, ALogOfAnotherDiskModelRestoresThePartitionStep) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    TempDir logs;
    toPartitionStep(w);
    app::RecoveryContext& ctx = w.context();
    const std::string model = ctx.diskModel;
    ctx.diskModel = "Another Card";
    ctx.volumeParams.fileSystemName = "FAT32";
    ctx.activeGeometry.fileSystemName = "FAT32";
    ASSERT_EQ(app::WriteRecoveryLog(ctx, (logs.path() / "other.DMS").string()),
              output::LogWriteResult::Written);
    ctx.diskModel = model;
    answerFileDialog((logs.path() / "other.DMS").string());
    click(w.item(item::kLoadLogButton));
    ASSERT_TRUE(waitFor([&] { return !ctx.logLoadRunning && s.messages.count() > 0; }));
    QApplication::processEvents();
    EXPECT_EQ(s.messages.texts(), std::vector<std::string>{app::kWrongDisk});
    EXPECT_EQ(ctx.wizardStage, 1);
    EXPECT_TRUE(w.item(item::kPartitionTree)->isVisible());
    EXPECT_FALSE(w.item(item::kRecoveryTree)->isVisible());
    EXPECT_TRUE(w.command(item::kMenuLoadLog)->isEnabled());
}

} // namespace
} // namespace qr::test
