// An 8 GiB FAT32 or exFAT card read at 40 MB a second, as through a USB reader: the walk's
// tree is on screen within two seconds of Next while the sweep of the card (some three
// and a half minutes at that rate) has only begun; Back stays disabled meanwhile, and
// Stop ends the sweep promptly with the walked folders kept, each once.
#include "GuiDriver.h"
#include "PanelTree.h"
#include "support/ExfatImages.h"
#include "support/FatImages.h"
#include "support/FuseMedium.h"
#include "support/SaveFixtures.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QTest>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qr::test {
namespace {

namespace item = app::item;
namespace fs = std::filesystem;

constexpr std::uint64_t kCardSectors = 8ull << 21; // 8 GiB
constexpr std::uint64_t kVolumeStart = 2048;

// The card with DCIM/100MEDIA/PIC1.JPG and MUSIC/SONG.MP3; empty with the reason in
// `why` when the tools are missing.
fs::path makeCard(const std::string& kind, const fs::path& dir, std::string& why) {
    const std::string picture = std::string("\xFF\xD8\xFF\xE0") + PatternBytes(8000, 1);
    const std::string song = PatternBytes(3000, 2);
    if (kind == "FAT32") {
        if (!haveFatTools()) {
            why = "mkfs.fat, mtools or sfdisk missing";
            return {};
        }
        FatImageOptions o;
        o.fatBits = 32;
        o.sizeMiB = (kCardSectors + kVolumeStart) / 2048;
        o.sectorsPerCluster = 64;
        o.partitioned = true;
        o.partitionStart = kVolumeStart;
        FatImage image(dir / "card.img", o);
        image.mkdir("::/DCIM");
        image.mkdir("::/DCIM/100MEDIA");
        image.writeFile("::/DCIM/100MEDIA/PIC1.JPG", picture);
        image.mkdir("::/MUSIC");
        image.writeFile("::/MUSIC/SONG.MP3", song);
        return image.path();
    }
    if (::geteuid() != 0 || !haveTools({"mkfs.exfat", "mount.exfat-fuse", "losetup", "sfdisk"})) {
        why = "root, mkfs.exfat, exfat-fuse, losetup or sfdisk missing";
        return {};
    }
    const fs::path volume = dir / "vol.img";
    const fs::path card = dir / "card.img";
    fs::create_directories(dir / "mnt");
    const auto fill = [&](const fs::path& mnt) {
        fs::create_directories(mnt / "DCIM" / "100MEDIA");
        fs::create_directories(mnt / "MUSIC");
        std::ofstream(mnt / "DCIM" / "100MEDIA" / "PIC1.JPG", std::ios::binary) << picture;
        std::ofstream(mnt / "MUSIC" / "SONG.MP3", std::ios::binary) << song;
    };
    if (!MakeFilledExfatVolume(volume, dir / "mnt", kCardSectors, "-c 32768", fill, why) ||
        !PlaceExfatVolume(volume, card, kVolumeStart, kCardSectors, kVolumeStart + kCardSectors,
                          why))
        return {};
    return card;
}

class BigCardWindow : public ::testing::TestWithParam<const char*> {};

TEST_P(BigCardWindow, TheWalkedTreeIsOnScreenWithinTwoSecondsAndStopEndsTheSweep) {
#ifndef STALL_FS
    GTEST_SKIP() << "stall-fs was not built (libfuse3-dev missing)";
#else
    if (!FuseMedium::usable())
        GTEST_SKIP() << "FUSE missing";
    TempDir dir;
    std::string why;
    const fs::path card = makeCard(GetParam(), dir.path(), why);
    if (card.empty())
        GTEST_SKIP() << why;
    FuseFaults reader;
    reader.bytesPerSecond = 40'000'000;
    FuseMedium medium(card, reader);
    ASSERT_TRUE(medium.mounted());

    GuiSession s({}, false, {medium.medium().string()});
    gui::MainWindow& w = *s.window;
    toPartitionStep(w);
    auto* partitions = w.tree(item::kPartitionTree);
    const QString partition = QString("Partition - 1 ( %1 )").arg(GetParam());
    ASSERT_TRUE(waitFor([&] { return findRow(partitions, partition).isValid(); }, 30000));
    clickRow(partitions, findRow(partitions, partition));
    const auto next = std::chrono::steady_clock::now();
    click(w.item(item::kNext));
    auto* folders = w.tree(item::kRecoveryTree);
    ASSERT_TRUE(waitFor([&] {
        return w.context().walkTreeShown && folders->isVisible() &&
               findRow(folders, "MUSIC").isValid();
    }));
    EXPECT_LT(std::chrono::steady_clock::now() - next, std::chrono::seconds(2));
    ASSERT_TRUE(w.context().scanWorkerRunning);
    EXPECT_TRUE(findRow(folders, "DCIM").isValid());
    EXPECT_FALSE(w.item(item::kBack)->isEnabled());
    auto* status = qobject_cast<QLabel*>(w.item(item::kStatusLine));
    ASSERT_TRUE(waitFor([&] { return status->text().contains("Searching for lost folders: "); }));
    screenshot(&w, std::string("big-card-walked-") + GetParam());

    const auto stop = std::chrono::steady_clock::now();
    click(w.item(item::kStopSearch));
    ASSERT_TRUE(waitFor([&] { return !w.context().scanWorkerRunning; }, 20000));
    EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::seconds(3));
    QApplication::processEvents();
    const model::TreeModel& tree = w.context().recoveryTree;
    int music = 0, dcim = 0;
    for (const model::TreeItem child : tree.children(tree.firstTopLevel())) {
        music += tree.text(child) == "MUSIC";
        dcim += tree.text(child) == "DCIM";
    }
    EXPECT_EQ(music, 1);
    EXPECT_EQ(dcim, 1);
    EXPECT_TRUE(w.item(item::kBack)->isEnabled());
    EXPECT_FALSE(status->text().contains("Searching for lost folders"));
#endif
}

INSTANTIATE_TEST_SUITE_P(Cards, BigCardWindow, ::testing::Values("FAT32", "exFAT"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace qr::test
