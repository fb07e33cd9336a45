// A reformatted exFAT camera card in the wizard window: the Advanced search from the
// disk step, the earlier file system picked on the file-systems step, its tree built,
// and the photos of its DCIM folder saved and compared with the card's originals.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "dialogs/SimpleDialogs.h"
#include "support/ExfatCameraCard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;

TEST(ExfatWindow, AReformattedCardGivesBackItsPhotosThroughTheAdvancedSearch) {
    std::string why;
    const ExfatCameraCard* card = ExfatCameraCard::shared(&why);
    if (!card)
        GTEST_SKIP() << why;
    TempDir work;
    const std::filesystem::path image = work / "reformatted.img";
    ASSERT_TRUE(card->damagedCopy(ExfatCameraCard::Damage::Reformatted, image, why)) << why;

    GuiSession s({}, false, {image.string()});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
    hover(w.item(item::kAdvancedMode));
    click(w.item(item::kNext));
    ASSERT_EQ(w.context().wizardStage, 1);

    auto* type = static_cast<QComboBox*>(w.item(item::kPartitionType));
    type->setCurrentIndex(type->findText("exFAT"));
    static_cast<QLineEdit*>(w.item(item::kStartSector))
        ->setText(QString::number(ExfatCameraCard::kVolumeStart));
    static_cast<QLineEdit*>(w.item(item::kEndSector))
        ->setText(QString::number(ExfatCameraCard::kVolumeStart + ExfatCameraCard::kVolumeSectors));
    click(w.item(item::kNext));
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 2 && !w.context().scanWorkerRunning &&
               w.item(item::kFileSystemTree)->isVisible();
    }));
    QApplication::processEvents();
    EXPECT_EQ(s.messages.count(), 0u);
    EXPECT_EQ(layoutProblems(&w), std::vector<std::string>{});

    // The new format's file system first, the earlier one (32 KiB clusters) second.
    auto* systems = w.tree(item::kFileSystemTree);
    ASSERT_TRUE(findRow(systems, "File System 1 - exFAT").isValid());
    const QModelIndex earlier = findRow(systems, "File System 2 - exFAT");
    ASSERT_TRUE(earlier.isValid());
    clickRow(systems, earlier);
    ASSERT_GE(w.context().fileList.rowCount(), 4);
    EXPECT_EQ(w.context().fileList.rows()[3].cells[model::file_col::Name],
              "Sectors Per Clusters : 64");

    click(w.item(item::kNext));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] {
        return w.context().wizardStage == 3 && !w.context().fileSystemWorkerRunning &&
               findRow(folders, "DCIM").isValid();
    }));
    ASSERT_TRUE(waitFor([&] { return w.findChild<gui::WaitPopup*>("waitPopup") == nullptr; }));
    QApplication::processEvents();
    EXPECT_TRUE(w.item(item::kSaveButton)->isEnabled());

    tickRow(folders, findRow(folders, "DCIM"));
    TempDir destination;
    saveTickedTo(w, destination.path());
    int live = 0, exact = 0;
    for (const auto& [path, file] : card->files()) {
        if (file.deleted || path.rfind("DCIM/", 0) != 0)
            continue;
        ++live;
        const std::string name = path.substr(path.rfind('/') + 1);
        const auto saved = findFile(destination.path(), name);
        exact += !saved.empty() && fileText(saved) == file.content;
    }
    EXPECT_GE(exact * 100, live * 97) << exact << " of " << live;
}

} // namespace
} // namespace qr::test
