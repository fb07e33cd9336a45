// Disk images in the wizard window: "Create Disk Image..." from the disk step's button
// through the file dialog, the picture filling cell by cell over a failing medium, Stop
// keeping the map so the same destination resumes, the offer to search the image that
// then is a disk whose unrescued sectors are unreadable; a destination on the medium is
// refused; "Add Disk Image..." offers the map beside an image.
#include "CommandIds.h"
#include "GuiDriver.h"
#include "PanelTree.h"
#include "disk/SectorReader.h"
#include "imaging/DiskImageWindow.h"
#include "imaging/RescueMapPicture.h"
#include "rescue/RescueMap.h"
#include "support/FuseMedium.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace qr::test {
namespace {

namespace fs = std::filesystem;
namespace item = app::item;
using platform::MessageAnswer;
using rescue::MapCell;

constexpr std::uint64_t kMediumBytes = 8ull << 20;

// A medium of recognisable sectors: each begins with its own number.
fs::path makeMedium(const TempDir& dir) {
    const fs::path image = dir / "medium.img";
    std::ofstream out(image, std::ios::binary);
    for (std::uint64_t sector = 0; sector < kMediumBytes / 512; ++sector) {
        std::string bytes(512, static_cast<char>('a' + sector % 26));
        bytes.replace(0, 20, std::to_string(sector) + std::string(20, ' '), 0, 20);
        out << bytes;
    }
    return image;
}

void chooseDisk(gui::MainWindow& w, const std::string& label) {
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* disks = w.tree(item::kDiskTree);
    const QModelIndex disk = findRow(disks, QString::fromStdString(label));
    ASSERT_TRUE(disk.isValid());
    clickRow(disks, disk);
}

bool sawText(const ScriptedMessages& messages, const std::string& part) {
    for (const std::string& text : messages.texts())
        if (text.find(part) != std::string::npos)
            return true;
    return false;
}

// Whether the selected disk reads sector `sector` whole.
bool readsWhole(gui::MainWindow& w, std::uint64_t sector) {
    std::vector<unsigned char> buffer(512);
    return w.context().reader->readSectors(sector, 1, buffer.data()) == disk::ReadStatus::Complete;
}

class ImagingWindow : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef STALL_FS
        GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
        if (!FuseMedium::usable())
            GTEST_SKIP() << "FUSE missing";
#endif
    }
};

#ifdef STALL_FS
TEST_F(ImagingWindow, CopiesAFailingDiskAndOffersTheImageForSearching) {
    TempDir media;
    FuseFaults faults;
    faults.bad = {{3ull << 20, (3ull << 20) + 8 * 512}}; // eight bad sectors at 3 MiB
    faults.slow = {0, kMediumBytes};
    faults.slowMs = 15; // every read slow enough to watch the picture fill
    FuseMedium medium(makeMedium(media), faults);
    ASSERT_TRUE(medium.mounted());
    GuiSession s({MessageAnswer::Yes}, false, {medium.medium().string()});
    gui::MainWindow& w = *s.window;
    chooseDisk(w, "Disk0");
    QWidget* button = w.item(gui::button::kCreateDiskImage);
    ASSERT_TRUE(button->isVisible()) << "the disk step shows Create Disk Image";
    EXPECT_TRUE(layoutProblems(&w).empty());
    screenshot(&w, "imaging-disk-step");

    TempDir out;
    const fs::path image = out / "card.img";
    answerFileDialog(image.string());
    click(button);
    ASSERT_TRUE(waitFor([&] { return w.imagingWindow() != nullptr; }));
    gui::DiskImageWindow* window = w.imagingWindow();
    gui::RescueMapPicture* picture = window->picture();
    EXPECT_EQ(picture->cells().size(), app::DiskImaging::kCells);
    EXPECT_EQ(picture->count(MapCell::NotTried), app::DiskImaging::kCells);
    // Part way: some cells rescued, some still to try.
    ASSERT_TRUE(waitFor([&] {
        return picture->count(MapCell::Rescued) > 0 && picture->count(MapCell::NotTried) > 0;
    }));
    screenshot(window, "imaging-running");
    EXPECT_EQ(window->figures().size(), 5);
    EXPECT_NE(window->figures()[0].indexOf("of 8.4 MB"), -1) << window->figures()[0].toStdString();
    ASSERT_TRUE(waitFor([&] { return window->end().has_value(); }, 120000));
    screenshot(window, "imaging-finished");
    EXPECT_EQ(*window->end(), rescue::RescueEnd::Finished);
    EXPECT_EQ(window->stopButton()->text(), "&Close");
    EXPECT_EQ(picture->count(MapCell::NotTried), 0u);
    EXPECT_GE(picture->count(MapCell::Bad), 1u);
    EXPECT_LE(picture->count(MapCell::Bad), 2u) << "eight sectors make one or two cells";
    EXPECT_EQ(window->figures()[2], "4096 B");

    // The map beside the image says what the medium would not give.
    std::ifstream mapFile(image.string() + ".map");
    const rescue::MapRead read = rescue::ReadRescueMap(mapFile, kMediumBytes);
    ASSERT_TRUE(read.map) << read.refusal.why;
    EXPECT_EQ(read.map->bytesIn(rescue::BlockState::Bad), 4096u);
    EXPECT_EQ(read.map->stateAt(3ull << 20), rescue::BlockState::Bad);

    // Yes to the offer: the image is the next disk, chosen, its bad sectors unreadable.
    ASSERT_TRUE(sawText(s.messages, "Do you want to search the image"));
    EXPECT_EQ(w.context().selectedDiskLabel, "Disk1");
    w.context().selectedDiskNumber = 1; // as Next makes it
    EXPECT_EQ(w.context().reader->selectedDeviceName(), image.string());
    EXPECT_TRUE(readsWhole(w, 100));
    EXPECT_FALSE(readsWhole(w, (3ull << 20) / 512 + 2));
    click(window->stopButton());
    EXPECT_TRUE(waitFor([&] { return w.imagingWindow() == nullptr; }));
}

TEST_F(ImagingWindow, StopKeepsTheMapAndTheSameDestinationResumes) {
    TempDir media;
    FuseFaults faults;
    faults.slow = {0, kMediumBytes};
    faults.slowMs = 25;
    FuseMedium medium(makeMedium(media), faults);
    ASSERT_TRUE(medium.mounted());
    GuiSession s({MessageAnswer::No, MessageAnswer::No}, false, {medium.medium().string()});
    gui::MainWindow& w = *s.window;
    chooseDisk(w, "Disk0");
    TempDir out;
    const fs::path image = out / "stopped.img";
    w.createDiskImage(image.string());
    gui::DiskImageWindow* window = w.imagingWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitFor([&] { return window->picture()->count(MapCell::Rescued) > 0; }));
    click(window->stopButton());
    EXPECT_FALSE(window->stopButton()->isEnabled()) << "Stop waits for the copy to end";
    ASSERT_TRUE(waitFor([&] { return window->end().has_value(); }));
    screenshot(window, "imaging-stopped");
    EXPECT_EQ(*window->end(), rescue::RescueEnd::Stopped);
    EXPECT_TRUE(sawText(s.messages, "Do you want to search the image"));
    EXPECT_EQ(w.context().selectedDiskLabel, "Disk0") << "No leaves the disks as they were";

    std::ifstream mapFile(image.string() + ".map");
    const rescue::MapRead read = rescue::ReadRescueMap(mapFile, kMediumBytes);
    ASSERT_TRUE(read.map) << read.refusal.why;
    const std::uint64_t rescued = read.map->bytesIn(rescue::BlockState::Rescued);
    EXPECT_GT(rescued, 0u);
    EXPECT_GT(read.map->bytesIn(rescue::BlockState::NotTried), 0u);
    click(window->stopButton()); // now Close
    ASSERT_TRUE(waitFor([&] { return w.imagingWindow() == nullptr; }));

    // The same destination again: the copy starts from the map, not from nothing.
    w.createDiskImage(image.string());
    window = w.imagingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->imaging().resuming());
    EXPECT_GE(window->picture()->count(MapCell::Rescued), 1u) << "the picture starts from the map";
    ASSERT_TRUE(waitFor([&] { return window->end().has_value(); }, 120000));
    EXPECT_EQ(*window->end(), rescue::RescueEnd::Finished);
    EXPECT_EQ(ReadWholeFile(image), ReadWholeFile(media / "medium.img"));
    // Sectors the first run rescued were not asked for again (the listing reads the
    // first megabyte too).
    std::uint32_t most = 0;
    for (const auto& [sector, count] : medium.readCounts())
        if (sector >= 2048)
            most = std::max(most, count);
    EXPECT_EQ(most, 1u);
}
#endif

TEST(ImagingWindowRefusal, ADestinationOnTheMediumIsRefusedWithTheCliText) {
    TempDir media;
    const fs::path disk = makeMedium(media);
    GuiSession s({}, false, {disk.string()});
    gui::MainWindow& w = *s.window;
    chooseDisk(w, "Disk0");
    w.createDiskImage(disk.string());
    EXPECT_EQ(w.imagingWindow(), nullptr);
    EXPECT_TRUE(sawText(s.messages, "The destination lies on the disk being recovered (" +
                                        disk.string() + ")"));
    EXPECT_EQ(ReadWholeFile(disk).size(), kMediumBytes) << "the medium is untouched";
}

TEST(ImagingWindowRefusal, CreateDiskImageAsksForADiskFirst) {
    TempDir media;
    GuiSession s({}, false, {makeMedium(media).string()});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.command(gui::command::kCreateDiskImage)->trigger();
    EXPECT_TRUE(sawText(s.messages, "Select the disk to copy"));
    EXPECT_EQ(w.imagingWindow(), nullptr);
}

TEST(AddDiskImageMap, OffersTheMapBesideTheImage) {
    TempDir media;
    const fs::path first = makeMedium(media);
    const fs::path second = media / "second.img";
    fs::copy_file(first, second);
    const fs::path plain = media / "plain.img";
    fs::copy_file(first, plain);
    rescue::RescueMap map(kMediumBytes);
    map.mark(0, kMediumBytes, rescue::BlockState::Rescued);
    map.mark(40 * 512, 4 * 512, rescue::BlockState::Bad);
    // The names ddrescue users give: IMAGE.map and, with the extension replaced, .log.
    ASSERT_TRUE(rescue::SaveRescueMap(first.string() + ".map", map, "test"));
    ASSERT_TRUE(rescue::SaveRescueMap((media / "second.log").string(), map, "test"));

    GuiSession s({MessageAnswer::Yes, MessageAnswer::No}, false, {plain.string()});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.addDiskImage(first.string());
    w.addDiskImage(second.string());
    ASSERT_EQ(s.messages.scriptLeft(), 0u) << "each image's map was offered";
    EXPECT_TRUE(sawText(s.messages, first.string() + ".map"));
    EXPECT_TRUE(sawText(s.messages, (media / "second.log").string()));

    // Yes: the map's bad sectors are unreadable on the first image; No: the second
    // reads whole.
    EXPECT_EQ(w.context().selectedDiskLabel, "Disk2") << "the image added last is chosen";
    w.context().selectedDiskNumber = 2;
    EXPECT_EQ(w.context().reader->selectedDeviceName(), second.string());
    EXPECT_TRUE(readsWhole(w, 41));
    w.context().selectedDiskNumber = 1;
    EXPECT_EQ(w.context().reader->selectedDeviceName(), first.string());
    EXPECT_TRUE(readsWhole(w, 39));
    EXPECT_FALSE(readsWhole(w, 40));
    EXPECT_FALSE(readsWhole(w, 43));
    EXPECT_TRUE(readsWhole(w, 44));
}

TEST(AddDiskImageMap, AMapOfAnotherSizeIsRefusedAndTheImageStillListed) {
    TempDir media;
    const fs::path disk = makeMedium(media);
    ASSERT_TRUE(rescue::SaveRescueMap(disk.string() + ".map", rescue::RescueMap(4096), "test"));
    const fs::path plain = media / "plain.img";
    fs::copy_file(disk, plain);
    GuiSession s({MessageAnswer::Yes}, false, {plain.string()});
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.addDiskImage(disk.string());
    EXPECT_TRUE(sawText(s.messages, "The map cannot be used: " + disk.string() + ".map:"));
    EXPECT_EQ(w.context().selectedDiskLabel, "Disk1");
    w.context().selectedDiskNumber = 1;
    EXPECT_EQ(w.context().reader->selectedDeviceName(), disk.string());
    EXPECT_TRUE(readsWhole(w, 40));
}

} // namespace
} // namespace qr::test
