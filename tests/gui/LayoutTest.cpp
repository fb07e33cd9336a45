// Every step of the wizard and every window, at the desktop's font and at one half as
// large again: no text is cut, no control runs over another or out of its frame.
// Under QT_SCALE_FACTOR=2 the same walk checks a dense screen.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "dialogs/LogFileSelectionDialog.h"
#include "dialogs/SaveDialogs.h"
#include "dialogs/SimpleDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;

class Layout : public ::testing::TestWithParam<double> {
protected:
    void SetUp() override {
        if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
            GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
        font_ = QApplication::font();
        QFont larger = font_;
        larger.setPointSizeF(font_.pointSizeF() * GetParam());
        QApplication::setFont(larger);
    }
    void TearDown() override { QApplication::setFont(font_); }

    // Pictures are kept at the run's own font only: scripts/screenshots.sh runs the
    // suite once per font and screen.
    void check(QWidget* window, const std::string& name) {
        QApplication::processEvents();
        if (GetParam() == 1.0)
            screenshot(window, "layout-" + name);
        EXPECT_EQ(layoutProblems(window), std::vector<std::string>{}) << name;
    }
    void checkDialog(QWidget* dialog, const std::string& name) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        check(dialog, name);
        dialog->hide();
    }
    // Disk step to the partition step in the mode of `modeButton`. The buttons are
    // pressed directly: on a scaled screen the test's pointer may miss a small button.
    void enterMode(gui::MainWindow& w, int modeButton) {
        static_cast<QAbstractButton*>(w.item(modeButton))->click();
        static_cast<QAbstractButton*>(w.item(item::kNext))->click();
        ASSERT_EQ(w.context().wizardStage, 1);
    }

    QFont font_;
};

TEST_P(Layout, EveryWindowShowsItsTextsWhole) {
    ScriptedMessages messages;
    app::Services services;
    services.messages = &messages;
    app::RecoveryContext ctx(services);
    gui::SaveAsDialog saveAs(nullptr, ctx, "/dev/null");
    checkDialog(&saveAs, "save-as");
    gui::SettingsDialog settings(nullptr, ctx);
    checkDialog(&settings, "settings");
    gui::ReplaceDialog replace(nullptr, "/media/backup/Documents/Quarterly Report 2004.doc");
    checkDialog(&replace, "replace");
    gui::WriteErrorDialog error(nullptr, "/media/backup/photo.jpg", "No space left on device");
    checkDialog(&error, "error-writing");
    gui::NoMediaDialog noMedia(nullptr);
    checkDialog(&noMedia, "no-media");
    gui::AboutDialog about(nullptr, "Jane Doe\r\nExample Ltd");
    checkDialog(&about, "about");
    gui::WaitPopup wait(nullptr);
    checkDialog(&wait, "wait");
    gui::LogFileSelectionDialog logs(nullptr, {"/tmp/Quarrixdale Recovery Log 1.rlog"});
    checkDialog(&logs, "log-file-selection");
    // The progress windows run their (empty) pass on their first paint and close.
    gui::CalculatingDialog counting(nullptr, ctx);
    counting.show();
    EXPECT_EQ(layoutProblems(&counting), std::vector<std::string>{});
    EXPECT_TRUE(waitFor([&] { return !counting.isVisible(); }, 10000));
    gui::SavingDialog saving(nullptr, ctx);
    saving.show();
    EXPECT_EQ(layoutProblems(&saving), std::vector<std::string>{});
    EXPECT_TRUE(waitFor([&] { return !saving.isVisible(); }, 10000));
}

TEST_P(Layout, EveryWizardStepShowsItsTextsWhole) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* disks = w.tree(item::kDiskTree);
    clickRow(disks, findRow(disks, "Disk0"));
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() >= 5; }));
    check(&w, "disk-step");

    // Standard: partition, search, folders, a folder's files.
    enterMode(w, item::kQuickMode);
    auto* partitions = w.tree(item::kPartitionTree);
    clickRow(partitions, findRow(partitions, "Partition - 1 ( FAT32 )"));
    check(&w, "partition-step");
    click(w.item(item::kNext));
    check(&w, "search-view");
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
               findRow(folders, "Documents").isValid();
    }));
    check(&w, "browse-step");
    clickRow(folders, findRow(folders, "Documents"));
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() >= 3; }));
    check(&w, "folder-listed");
    click(w.item(item::kBack));
    click(w.item(item::kBack));
    ASSERT_EQ(w.context().wizardStage, 0);
    check(&w, "disk-step-after-search");

    // Advanced: type and range, then the file systems found.
    enterMode(w, item::kAdvancedMode);
    check(&w, "partition-step-advanced");
    static_cast<QComboBox*>(w.item(item::kPartitionType))->setCurrentIndex(1);
    static_cast<QLineEdit*>(w.item(item::kStartSector))->setText("0");
    static_cast<QLineEdit*>(w.item(item::kEndSector))->setText("131072");
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 2 && !w.context().scanWorkerRunning &&
               w.item(item::kFileSystemTree)->isVisible();
    }));
    check(&w, "file-systems-step");
    // The picked file system's tree is built under the wait window.
    auto* systems = w.tree(item::kFileSystemTree);
    clickRow(systems, findRow(systems, "File System 1 - FAT32"));
    static_cast<QAbstractButton*>(w.item(item::kNext))->click();
    auto* popup = w.findChild<QWidget*>("waitPopup");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(layoutProblems(popup), std::vector<std::string>{});
    if (GetParam() == 1.0)
        screenshot(popup, "layout-wait-popup");
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().fileSystemWorkerRunning &&
               w.findChild<QWidget*>("waitPopup") == nullptr;
    }));
    check(&w, "advanced-tree");
    for (int step = 3; step > 0; --step)
        click(w.item(item::kBack));

    // Raw: the file types and the sector range.
    enterMode(w, item::kRawMode);
    click(w.item(item::kSectorRange));
    check(&w, "partition-step-raw");
}

INSTANTIATE_TEST_SUITE_P(Fonts, Layout, ::testing::Values(1.0, 1.5), [](const auto& info) {
    return info.param == 1.0 ? std::string("DesktopFont") : std::string("LargerFont");
});

} // namespace
} // namespace qr::test
