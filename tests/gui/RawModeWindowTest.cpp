// Raw mode in the wizard window: kinds ticked in the file-type list, the whole disk
// searched into the folder chosen in "Save As", the per-kind counts in "Files
// Recovered", and every document and archive written whole.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "app/WindowItems.h"
#include "dialogs/SaveDialogs.h"
#include "raw/CarvedFormats.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace qr::test {
namespace {

namespace item = app::item;

std::vector<char> bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RawModeWindow, SearchesTheDiskIntoTheSaveAsFolderWithLiveCounts) {
    if (!haveTools({"python3"}))
        GTEST_SKIP() << "the test documents need python3";
    TempDir media;
    runOrFail("python3 " + shellQuote(std::string(TEST_SOURCE_DIR) + "/raw/make_documents.py") +
              " " + shellQuote(media.path().string()));
    // Filler, then a Word file, a Zip archive and a PowerPoint file back to back.
    const std::filesystem::path image = media / "raw.img";
    {
        std::ofstream out(image, std::ios::binary);
        const std::string filler(512 * 40, '\x5A');
        out << filler;
        for (const char* name : {"small.doc", "deflated.zip", "slides.ppt"}) {
            const auto bytes = bytesOf(media / name);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out << std::string((512 - bytes.size() % 512) % 512, '\0');
        }
        out << filler;
    }

    GuiSession s({}, false);
    gui::MainWindow& w = *s.window;
    w.addDiskImage(image.string());
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* disks = w.tree(item::kDiskTree);
    const QModelIndex disk0 = findRow(disks, "Disk0");
    ASSERT_TRUE(disk0.isValid());
    clickRow(disks, disk0);
    hover(w.item(item::kRawMode));
    click(w.item(item::kNext));
    ASSERT_EQ(w.context().wizardStage, 1);

    // Word and Zip ticked, the whole disk.
    auto* types = static_cast<QListWidget*>(w.item(item::kFileTypeList));
    // The picture kinds come ticked, the documents and videos do not.
    ASSERT_EQ(types->count(), 9);
    for (int row = 0; row < types->count(); ++row)
        EXPECT_EQ(types->item(row)->checkState() == Qt::Checked, row >= 4 && row <= 6) << row;
    for (int row = 4; row <= 6; ++row)
        types->item(row)->setCheckState(Qt::Unchecked);
    types->item(0)->setCheckState(Qt::Checked);
    types->item(3)->setCheckState(Qt::Checked);
    click(w.item(item::kEntireDisk));
    TempDir destination;
    onNextModal([&](QWidget* modal) {
        auto* saveAs = qobject_cast<gui::SaveAsDialog*>(modal);
        if (!saveAs)
            return false;
        EXPECT_FALSE(saveAs->findChild<QWidget*>("settings")->isEnabled());
        saveAs->folderBox()->setText(QString::fromStdString(destination.path().string()));
        click(saveAs->findChild<QWidget*>("ok"));
        return true;
    });
    click(w.item(item::kStartRecovery));
    ASSERT_TRUE(waitFor([&] { return !w.rawRecovery().running(); }));
    ASSERT_TRUE(waitFor([&] {
        return static_cast<QAbstractButton*>(w.item(item::kStartRecovery))->text() ==
               "&Start Recovery";
    }));
    QTest::qWait(50);

    auto* results = static_cast<QListWidget*>(w.item(item::kResultList));
    ASSERT_EQ(results->count(), 2);
    EXPECT_EQ(results->item(0)->text(), "Total Word File(s) Recovered :  1");
    EXPECT_EQ(results->item(1)->text(), "Total Zip File(s) Recovered :  1");
    EXPECT_EQ(bytesOf(destination / "DOC1.DOC"), bytesOf(media / "small.doc"));
    EXPECT_EQ(bytesOf(destination / "ZIP2.ZIP"), bytesOf(media / "deflated.zip"));
    // PowerPoint was not ticked: its number is used, no file written.
    EXPECT_FALSE(std::filesystem::exists(destination / "PPT3.PPT"));
    EXPECT_TRUE(w.item(item::kFileTypeList)->isEnabled());
    EXPECT_EQ(s.messages.count(), 0u);
}

// "List every file type" adds the newer kinds behind the classic ones, keeping the ticks
// given; unticked, the classic list is back. The two check boxes stand in the panel.
TEST(RawModeWindow, EveryFileTypeIsListedWhenAskedAndTheTicksStay) {
    TempDir media;
    const std::filesystem::path image = media / "raw.img";
    std::ofstream(image, std::ios::binary) << std::string(512 * 64, '\0');
    GuiSession s({}, false);
    gui::MainWindow& w = *s.window;
    w.addDiskImage(image.string());
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
    hover(w.item(item::kRawMode));
    click(w.item(item::kNext));
    ASSERT_EQ(w.context().wizardStage, 1);

    auto* types = static_cast<QListWidget*>(w.item(item::kFileTypeList));
    const int classic = types->count();
    types->item(0)->setCheckState(Qt::Checked);
    auto* every = static_cast<QCheckBox*>(w.item(item::kRawEveryKind));
    ASSERT_TRUE(every->isVisible());
    EXPECT_TRUE(w.item(item::kRawMetadataNames)->isVisible());
    every->click();
    ASSERT_EQ(types->count(), static_cast<int>(raw::kRawKinds));
    EXPECT_EQ(types->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(types->item(static_cast<int>(raw::RawKind::Pdf))->text(), "PDF Document(s) (.PDF)");
    every->click();
    EXPECT_EQ(types->count(), classic);
    EXPECT_EQ(types->item(0)->checkState(), Qt::Checked);
}

} // namespace
} // namespace qr::test
