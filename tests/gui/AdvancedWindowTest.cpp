// The Advanced FAT path in the wizard window: type and range on the partition step,
// the sweep with its boot-sector counter, the file-systems step with a file system's
// details, its tree built under the wait window, a saved file, and Back from each step.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "TreeAdapter.h"
#include "dialogs/SimpleDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;

std::string labelText(gui::MainWindow& w, int id) {
    return static_cast<QLabel*>(w.item(id))->text().toStdString();
}

std::vector<std::string> listNames(gui::MainWindow& w) {
    std::vector<std::string> names;
    for (const auto& row : w.context().fileList.rows())
        names.push_back(row.cells[model::file_col::Name]);
    return names;
}

// The file as mtools reads it from the demo card's FAT32 volume.
std::string cardFile(const std::string& path, const TempDir& dir) {
    auto out = dir / "expected.bin";
    runOrFail("MTOOLS_SKIP_CHECK=1 mcopy -n -i " + shellQuote(GuiSession::demoCard().string()) +
              "@@32256 " + shellQuote("::" + path) + " " + shellQuote(out.string()));
    return fileText(out);
}

class AdvancedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
            GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
    }
    // Partition step of Disk0 in Advanced mode, FAT32 over the first partition's range.
    static void searchFat32(gui::MainWindow& w) {
        static_cast<QComboBox*>(w.item(item::kPartitionType))->setCurrentIndex(1);
        static_cast<QLineEdit*>(w.item(item::kStartSector))->setText("0");
        static_cast<QLineEdit*>(w.item(item::kEndSector))->setText("131072");
        click(w.item(item::kNext));
        // The summary beside the search view wraps its rows rather than cutting them.
        auto* summary = static_cast<QListWidget*>(w.item(item::kSummaryList));
        EXPECT_TRUE(summary->isVisible());
        EXPECT_TRUE(summary->wordWrap());
        EXPECT_EQ(summary->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        ASSERT_TRUE(waitFor([&] {
            return w.context().wizardStage == 2 && !w.context().scanWorkerRunning &&
                   w.item(item::kFileSystemTree)->isVisible();
        }));
        QApplication::processEvents();
    }
};

TEST_F(AdvancedWindow, FindsTheCardsFileSystemBuildsItsTreeAndSavesAFile) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
    // Nothing to save or load on the disk step.
    for (int id : {item::kSaveButton, item::kLoadLogButton, item::kSaveLogButton})
        EXPECT_FALSE(w.item(id)->isEnabled()) << id;
    // The disk details line their colons up, in a fixed-pitch font.
    auto* list = static_cast<QTreeView*>(w.item(item::kFileList));
    ASSERT_TRUE(waitFor([&] { return list->model()->rowCount() >= 5; }));
    EXPECT_TRUE(QFontInfo(list->font()).fixedPitch());
    const int colon = list->model()->index(0, 0).data().toString().indexOf(':');
    for (int r = 0; r < list->model()->rowCount(); ++r)
        EXPECT_EQ(list->model()->index(r, 0).data().toString().indexOf(':'), colon)
            << list->model()->index(r, 0).data().toString().toStdString();
    hover(w.item(item::kAdvancedMode));
    click(w.item(item::kNext));
    ASSERT_EQ(w.context().wizardStage, 1);
    EXPECT_TRUE(w.item(item::kLoadLogButton)->isEnabled());
    EXPECT_FALSE(w.item(item::kSaveButton)->isEnabled());
    EXPECT_TRUE(w.item(item::kPartitionType)->isVisible());
    EXPECT_TRUE(w.item(item::kStartSector)->isVisible());

    searchFat32(w);
    EXPECT_EQ(s.messages.count(), 0u) << s.messages.texts().front();
    // The sweep counted the card's boot sectors (the volume's and its backup).
    EXPECT_GE(std::stoi(labelText(w, item::kBootSectorsFound)), 1);
    screenshot(&w, "8-file-systems-step");
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
    auto* systems = w.tree(item::kFileSystemTree);
    const QModelIndex first = findRow(systems, "File System 1 - FAT32");
    ASSERT_TRUE(first.isValid());
    ASSERT_GE(w.context().fileList.rowCount(), 4);
    EXPECT_EQ(listNames(w)[0], "File System - 1");
    EXPECT_EQ(listNames(w)[1], "Partition Type : FAT32");
    EXPECT_EQ(listNames(w)[3], "Sectors Per Clusters : 1");

    // A click on the root lists nothing new; a click on the file system lists its rows.
    w.context().fileList.clear();
    clickRow(systems, findRow(systems, "File Systems"));
    EXPECT_EQ(w.context().fileList.rowCount(), 0);
    clickRow(systems, first);
    ASSERT_EQ(w.context().fileList.rowCount(), 4);
    EXPECT_EQ(listNames(w)[0], "File System - 1");
    EXPECT_EQ(w.context().pickedFileSystem, 0);

    // Back from the file systems: the partition step with its type and range again.
    click(w.item(item::kBack));
    EXPECT_EQ(w.context().wizardStage, 1);
    EXPECT_TRUE(w.item(item::kPartitionOptions)->isVisible());
    EXPECT_FALSE(systems->isVisible());
    searchFat32(w);
    clickRow(systems, findRow(systems, "File System 1 - FAT32"));

    // Next builds the picked file system's tree under the wait window.
    click(w.item(item::kNext));
    EXPECT_NE(w.findChild<gui::WaitPopup*>("waitPopup"), nullptr);
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().fileSystemWorkerRunning &&
               findRow(folders, "Documents").isValid();
    }));
    ASSERT_TRUE(waitFor([&] { return w.findChild<gui::WaitPopup*>("waitPopup") == nullptr; }));
    QApplication::processEvents();
    EXPECT_TRUE(folders->isVisible());
    EXPECT_TRUE(folders->isEnabled());
    EXPECT_TRUE(w.item(item::kSaveButton)->isEnabled());
    screenshot(&w, "9-advanced-tree");

    // The listed folder's columns show their texts whole, within the list's width.
    clickRow(folders, findRow(folders, "Documents"));
    ASSERT_TRUE(waitFor([&] { return w.context().fileList.rowCount() >= 3; }));
    QApplication::processEvents();
    int total = 0;
    for (int c = 0; c < list->model()->columnCount(); ++c) {
        if (list->isColumnHidden(c))
            continue;
        total += list->columnWidth(c);
        EXPECT_GE(list->columnWidth(c), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(c))
            << "column " << c;
    }
    EXPECT_LE(total, list->viewport()->width());
    screenshot(&w, "9-advanced-folder");

    tickRow(folders, findRow(folders, "Documents"));
    TempDir destination;
    saveTickedTo(w, destination.path());
    const auto saved = findFile(destination.path(), "Quarterly Report 2004.doc");
    ASSERT_FALSE(saved.empty());
    TempDir scratch;
    EXPECT_EQ(fileText(saved), cardFile("/Documents/Quarterly Report 2004.doc", scratch));

    // Back from the tree: the file systems again, the first one listed.
    click(w.item(item::kBack));
    EXPECT_EQ(w.context().wizardStage, 2);
    EXPECT_TRUE(systems->isVisible());
    EXPECT_FALSE(folders->isVisible());
    ASSERT_GE(w.context().fileList.rowCount(), 1);
    EXPECT_EQ(listNames(w)[0], "File System - 1");
    EXPECT_FALSE(w.item(item::kSaveButton)->isEnabled());

    // On to the disks: the searches' captions and progress are gone from the disk step.
    click(w.item(item::kBack));
    click(w.item(item::kBack));
    ASSERT_EQ(w.context().wizardStage, 0);
    EXPECT_FALSE(w.item(item::kProgressCaption)->isVisible());
    EXPECT_FALSE(w.item(item::kProgressBar)->isVisible());
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});
}

} // namespace
} // namespace qr::test
