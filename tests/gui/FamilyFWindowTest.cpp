// The wizard window on the 'F' family: the card listed through the detector's unit
// exchange with the short details column, then a Standard FAT search read by BIOS unit
// through the disk library, whose saved files match those of the 'N' family and the
// card's own as mtools copies them.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "disk/DiskRegistry.h"
#include "platform/PlatformChoice.h"

#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <map>

namespace qr::test {
namespace {

namespace item = app::item;
namespace fs = std::filesystem;

std::string cardFile(const std::string& path, const TempDir& dir) {
    auto out = dir / "expected.bin";
    runOrFail("MTOOLS_SKIP_CHECK=1 mcopy -n -i " + shellQuote(GuiSession::demoCard().string()) +
              "@@32256 " + shellQuote("::" + path) + " " + shellQuote(out.string()));
    return fileText(out);
}

// Every saved file by its path below `root`, with its bytes.
std::map<std::string, std::string> savedFiles(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).string()] = fileText(e.path());
    return files;
}

// The number after the colon of a details row.
std::uint64_t valueOf(const std::string& row) {
    const auto colon = row.find(':');
    return colon == std::string::npos ? 0 : std::stoull(row.substr(colon + 1));
}

class FamilyFWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTools({"sfdisk", "mkfs.fat", "mcopy", "mmd", "mdel", "mdeltree"}))
            GTEST_SKIP() << "the demo card needs sfdisk, mkfs.fat and mtools";
    }
    void TearDown() override { unsetenv(platform::kPlatformVariable); }

    // Disk0 in Standard mode to the browse step, then "Documents" and "DCIM" ticked and
    // saved into `destination`.
    static void searchAndSave(gui::MainWindow& w, const fs::path& destination) {
        clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
        hover(w.item(item::kQuickMode));
        click(w.item(item::kNext));
        ASSERT_EQ(w.context().wizardStage, 1);
        auto* partitions = w.tree(item::kPartitionTree);
        const QModelIndex fat32 = findRow(partitions, "Partition - 1 ( FAT32 )");
        ASSERT_TRUE(fat32.isValid());
        clickRow(partitions, fat32);
        click(w.item(item::kNext));
        auto* folders = w.tree(item::kRecoveryTree);
        ASSERT_TRUE(waitFor([&] {
            return w.context().wizardStage == 3 && !w.context().scanWorkerRunning &&
                   findRow(folders, "Documents").isValid() && findRow(folders, "DCIM").isValid();
        }));
        for (const char* name : {"Documents", "DCIM"})
            tickRow(folders, findRow(folders, name));
        saveTickedTo(w, destination);
    }
};

TEST_F(FamilyFWindow, ListsTheCardByUnitAndSavesWhatTheNFamilySaves) {
    TempDir fromF, fromN;
    {
        setenv(platform::kPlatformVariable, "F", 1);
        GuiSession s;
        gui::MainWindow& w = *s.window;
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        EXPECT_EQ(w.context().platform, app::PlatformFamily::Win95);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        auto* disks = w.tree(item::kDiskTree);
        ASSERT_TRUE(findRow(disks, "Disk0").isValid());
        EXPECT_FALSE(findRow(disks, "Disk1").isValid());
        // The listing stored no model or media type of its own.
        const std::string disk0 = disk::diskValueName(0);
        for (const std::string& key : {disk::kModelKey, disk::kMediaTypeKey})
            EXPECT_EQ(s.registry->value(platform::RegistryRoot::ClassesRoot, key, disk0), "Unknown")
                << key;

        // The 95 column: number, cylinders, heads, sectors per track and the size the
        // three make, the card whole.
        clickRow(disks, findRow(disks, "Disk0"));
        auto* list = static_cast<QTreeView*>(w.item(item::kFileList));
        ASSERT_TRUE(waitFor([&] { return list->model()->rowCount() == 5; }));
        std::vector<std::string> rows;
        for (const auto& row : w.context().fileList.rows())
            rows.push_back(row.cells[0]);
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[0], "Physical Disk Number           : 0");
        const std::vector<std::string> labels = {
            "Cylinder   : ", "Head   : ", "SectorsPerTrack   : ", "Disk Size  : "};
        for (std::size_t i = 0; i < labels.size(); ++i)
            EXPECT_TRUE(rows[i + 1].starts_with(labels[i])) << rows[i + 1];
        const std::uint64_t bytes = valueOf(rows[1]) * valueOf(rows[2]) * valueOf(rows[3]) * 512;
        EXPECT_EQ(rows[4], "Disk Size  : " + std::to_string(bytes / 1048576) + " MB");
        const std::uint64_t card = fs::file_size(GuiSession::demoCard());
        // The geometry covers the card with less than one cylinder to spare.
        EXPECT_GE(bytes, card);
        EXPECT_LT(bytes, card + valueOf(rows[2]) * valueOf(rows[3]) * 512);
        // The window shows the same rows, colons lined up.
        const int colon = list->model()->index(0, 0).data().toString().indexOf(':');
        for (int r = 0; r < 5; ++r) {
            const QString shown = list->model()->index(r, 0).data().toString();
            EXPECT_EQ(shown.indexOf(':'), colon) << shown.toStdString();
            EXPECT_EQ(shown.simplified().toStdString(),
                      QString::fromStdString(rows[std::size_t(r)]).simplified().toStdString());
        }
        screenshot(&w, "F-disk-step");

        searchAndSave(w, fromF.path());
        EXPECT_EQ(s.messages.count(), 0u) << s.messages.texts().front();
    }
    {
        setenv(platform::kPlatformVariable, "N", 1);
        GuiSession s;
        gui::MainWindow& w = *s.window;
        ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
        EXPECT_EQ(w.context().platform, app::PlatformFamily::NT);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        searchAndSave(w, fromN.path());
    }
    const auto f = savedFiles(fromF.path());
    EXPECT_GE(f.size(), 3u);
    EXPECT_EQ(f, savedFiles(fromN.path()));
    TempDir scratch;
    const fs::path report = findFile(fromF.path(), "Quarterly Report 2004.doc");
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(fileText(report), cardFile("/Documents/Quarterly Report 2004.doc", scratch));
    const fs::path photo = findFile(fromF.path(), "IMG_0001.JPG");
    ASSERT_FALSE(photo.empty());
    EXPECT_EQ(fileText(photo), cardFile("/DCIM/100PHOTO/IMG_0001.JPG", scratch));
}

} // namespace
} // namespace qr::test
