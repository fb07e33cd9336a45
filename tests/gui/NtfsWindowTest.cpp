// An NTFS disk without a partition table in the wizard window: "Search More Partitions"
// finds the volume (and "Stop Search Partition" ends a search, keeping the window on
// the step), the Standard search builds its tree, and a saved file matches the
// original.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "support/NtfsImages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;

class NtfsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        image = NtfsImage::shared(&why);
        if (!image)
            GTEST_SKIP() << why;
    }
    // Disk0 (the NTFS image) in Standard mode, on the partition step, with whatever
    // partition search the missing table started at its end.
    static void toPartitionStep(gui::MainWindow& w) {
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
        hover(w.item(item::kQuickMode));
        click(w.item(item::kNext));
        ASSERT_EQ(w.context().wizardStage, 1);
        ASSERT_TRUE(waitFor([&] { return !w.context().partitionSearchRunning; }));
        QApplication::processEvents();
    }
    const NtfsImage* image = nullptr;
};

TEST_F(NtfsWindow, PartitionSearchFindsTheVolumeAndAStandardSearchSavesItsFiles) {
    GuiSession s({}, false, {image->path().string()});
    gui::MainWindow& w = *s.window;
    toPartitionStep(w);
    auto* partitions = w.tree(item::kPartitionTree);
    auto* search = w.item(item::kSearchPartition);
    auto* stop = w.item(item::kStopSearchPartition);
    EXPECT_TRUE(search->isVisible());
    EXPECT_FALSE(stop->isVisible());

    // A search stopped at once: the stop button goes, the step stays usable.
    click(search);
    EXPECT_TRUE(stop->isVisible());
    EXPECT_FALSE(w.item(item::kNext)->isEnabled());
    click(stop);
    ASSERT_TRUE(waitFor([&] { return !w.context().partitionSearchRunning; }));
    QApplication::processEvents();
    EXPECT_FALSE(stop->isVisible());
    EXPECT_TRUE(search->isEnabled());
    EXPECT_TRUE(w.item(item::kBack)->isEnabled());
    EXPECT_EQ(w.context().wizardStage, 1);

    // A search run to its end lists the volume at its start.
    click(search);
    screenshot(&w, "2c-partition-search");
    ASSERT_TRUE(waitFor([&] { return !w.context().partitionSearchRunning; }, 60000));
    QApplication::processEvents();
    const QModelIndex ntfs = findRow(partitions, "Partition - 1 ( NTFS )");
    ASSERT_TRUE(ntfs.isValid());
    clickRow(partitions, ntfs);
    EXPECT_EQ(static_cast<QLineEdit*>(w.item(item::kStartSector))->text().toStdString(),
              std::to_string(NtfsImage::kVolumeStart));

    click(w.item(item::kNext));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor(
        [&] {
            return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
                   findRow(folders, "docs").isValid();
        },
        60000));
    QApplication::processEvents();
    screenshot(&w, "3c-ntfs-tree");
    EXPECT_TRUE(w.item(item::kSaveButton)->isEnabled());

    tickRow(folders, findRow(folders, "docs"));
    TempDir destination;
    saveTickedTo(w, destination.path());
    for (const char* path : {"docs/2024/report.doc", "docs/notes.txt"}) {
        const std::string name = std::filesystem::path(path).filename().string();
        const auto saved = findFile(destination.path(), name);
        ASSERT_FALSE(saved.empty()) << path;
        EXPECT_EQ(fileText(saved), image->files().at(path).content) << path;
    }
    EXPECT_TRUE(findFile(destination.path(), "small.txt").empty()); // not ticked
}

TEST_F(NtfsWindow, AnAdvancedSearchFindsTheVolumeAndItsTreeSavesItsFiles) {
    GuiSession s({}, false, {image->path().string()});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
    hover(w.item(item::kAdvancedMode));
    click(w.item(item::kNext));
    ASSERT_EQ(w.context().wizardStage, 1);
    ASSERT_TRUE(waitFor([&] { return !w.context().partitionSearchRunning; }));
    QApplication::processEvents();
    auto* type = static_cast<QComboBox*>(w.item(item::kPartitionType));
    type->setCurrentIndex(type->findText("NTFS"));
    ASSERT_EQ(type->currentText().toStdString(), "NTFS");
    static_cast<QLineEdit*>(w.item(item::kStartSector))->setText("0");
    static_cast<QLineEdit*>(w.item(item::kEndSector))
        ->setText(QString::number(NtfsImage::kVolumeStart + NtfsImage::kVolumeSectors));
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor(
        [&] {
            return w.context().wizardStage == 2 && !w.context().scanWorkerRunning &&
                   !w.context().assignmentRunning && w.item(item::kFileSystemTree)->isVisible();
        },
        60000));
    QApplication::processEvents();
    auto* systems = w.tree(item::kFileSystemTree);
    const QModelIndex first = findRow(systems, "File System 1 - NTFS");
    ASSERT_TRUE(first.isValid());
    clickRow(systems, first);
    click(w.item(item::kNext));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor(
        [&] {
            return w.context().wizardStage == 3 && !w.context().fileSystemWorkerRunning &&
                   findRow(folders, "docs").isValid();
        },
        60000));
    QApplication::processEvents();
    tickRow(folders, findRow(folders, "docs"));
    TempDir destination;
    saveTickedTo(w, destination.path());
    for (const char* path : {"docs/2024/report.doc", "docs/notes.txt"}) {
        const auto saved =
            findFile(destination.path(), std::filesystem::path(path).filename().string());
        ASSERT_FALSE(saved.empty()) << path;
        EXPECT_EQ(fileText(saved), image->files().at(path).content) << path;
    }
}

} // namespace
} // namespace qr::test
