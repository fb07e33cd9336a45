// The wizard's partition step on disks without a usable table, with the real table
// reader, partition search and volume validation: a whole-disk volume reaches the
// browse step; the user starts and stops the partition search.
#include "app/PartitionCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/Wizard.h"
#include "disk/SectorReader.h"
#include "support/FatImages.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"
#include "volume/PartitionSearch.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

namespace qr::volume {
namespace {

namespace item = app::item;

// A view that keeps the last state of every item; the search worker writes to it too.
class View final : public app::WizardView {
public:
    void setItemText(int id, const std::string& text) override { set(texts, id, text); }
    void showItem(int id, bool visible) override { set(shown, id, visible); }
    void enableItem(int id, bool enabled) override { set(enabled_, id, enabled); }
    void setProgress(int, int) override {}
    void selectEntry(int id, int index) override { set(entries, id, index); }
    std::string itemText(int id) override { return get(texts, id); }
    int selectedEntry(int id) override { return entries.count(id) ? get(entries, id) : -1; }
    void checkItem(int, bool) override {}
    void focusItem(int) override {}
    void setListRows(int, const std::vector<std::string>&) override {}
    void setSingleColumn(int, const std::string&, int) override {}
    void closeWindow() override {}
    bool isShown(int id) { return get(shown, id); }
    bool isEnabled(int id) { return get(enabled_, id); }

private:
    template <class M, class V> void set(M& map, int id, const V& value) {
        std::lock_guard lock(mutex_);
        map[id] = value;
    }
    template <class M> typename M::mapped_type get(M& map, int id) {
        std::lock_guard lock(mutex_);
        return map[id];
    }
    std::mutex mutex_;
    std::map<int, std::string> texts;
    std::map<int, bool> shown, enabled_;
    std::map<int, int> entries;
};

struct Session {
    explicit Session(const std::filesystem::path& image) {
        app::Services services;
        services.window = &view;
        services.messages = &messages;
        services.registry = &registry;
        ctx = std::make_unique<app::RecoveryContext>(services);
        ctx->reader = app::MakeSectorReader(*ctx, std::make_shared<disk::PosixDeviceOpener>());
        ctx->reader->paths().setName(0, image.string());
        app::WizardEngines engines = app::defaultWizardEngines();
        engines.startScan = [this](app::RecoveryContext&) { ++scans; };
        wizard = std::make_unique<app::Wizard>(*ctx, view, engines);
        const auto root = ctx->diskTree.insert(model::kNoItem, "My Computer", 0, 0);
        disk0 = ctx->diskTree.insert(root, "Disk0", 1, 1);
        ctx->selectedDiskLabel = "Disk0";
        ctx->wizardStage = 0;
        ctx->readFailureNotices = 1;
    }
    void toPartitionStep(bool waitForTheSearch = true) {
        wizard->clickDisk(disk0);
        wizard->chooseMode(app::kSearchStandard);
        wizard->next();
        if (waitForTheSearch)
            waitForSearch();
    }
    void waitForSearch() {
        if (ctx->partitionSearchThread.joinable())
            ctx->partitionSearchThread.join();
    }
    std::string partitionText(std::uint32_t k) {
        return ctx->partitionTree.text(ctx->partitions[0].slots[k].treeItem);
    }

    View view;
    test::ScriptedMessages messages;
    platform::MemoryRegistryStore registry;
    std::unique_ptr<app::RecoveryContext> ctx;
    std::unique_ptr<app::Wizard> wizard;
    model::TreeItem disk0 = model::kNoItem;
    int scans = 0;
};

TEST(LostTableWizard, WholeDiskFat32ReachesTheBrowseStepInStandardMode) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    test::TempDir dir;
    test::FatImage image(dir / "whole.img", {});
    Session s(image.path());
    s.toPartitionStep();
    ASSERT_EQ(s.ctx->wizardStage, 1);
    ASSERT_EQ(s.ctx->partitions[0].count, 1u);
    EXPECT_EQ(s.partitionText(1), "Partition - 1 ( FAT32 )");
    EXPECT_EQ(s.view.itemText(item::kStartSector), "0");
    EXPECT_TRUE(s.view.isShown(item::kSearchPartition));
    s.wizard->clickPartition(s.ctx->firstPartitionItem);
    s.wizard->next();
    EXPECT_EQ(s.ctx->wizardStage, 3);
    EXPECT_EQ(s.scans, 1);
    EXPECT_EQ(s.ctx->volumeParams.partitionStart, 0u);
    EXPECT_EQ(s.ctx->volumeParams.fileSystemName, "FAT32");
    EXPECT_FALSE(s.view.isShown(item::kSearchPartition));
}

TEST(LostTableWizard, ZeroedTableIsSearchedAndTheUserCanSearchAHealthyDisk) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    test::TempDir dir;
    test::FatImageOptions o;
    o.partitioned = true;
    o.partitionStart = 8192;
    test::FatImage image(dir / "card.img", o);
    {
        // Healthy: the table is read, no search runs until the user asks.
        Session s(image.path());
        s.toPartitionStep();
        ASSERT_EQ(s.ctx->partitions[0].count, 1u);
        EXPECT_FALSE(s.ctx->partitionSearchThread.joinable());
        EXPECT_TRUE(s.view.isEnabled(item::kSearchPartition));
        s.wizard->searchMorePartitions();
        s.waitForSearch();
        ASSERT_EQ(s.ctx->partitions[0].count, 1u);
        EXPECT_EQ(s.ctx->partitions[0].slots[1].startSector, 8192u);
        EXPECT_TRUE(s.view.isShown(item::kSearchPartition));
        EXPECT_FALSE(s.view.isShown(item::kStopSearchPartition));
    }
    test::writeImageSector(image.path(), 0, test::SectorBytes{});
    Session s(image.path());
    s.toPartitionStep();
    ASSERT_EQ(s.ctx->partitions[0].count, 1u);
    EXPECT_EQ(s.partitionText(1), "Partition - 1 ( FAT32 )");
    EXPECT_EQ(s.ctx->partitions[0].slots[1].startSector, 8192u);
    EXPECT_EQ(s.view.itemText(item::kStartSector), "8192");
    EXPECT_TRUE(s.view.isEnabled(item::kNext));
}

TEST(LostTableWizard, StopKeepsThePartitionsFoundAndGivesTheStepBack) {
    test::TempDir dir;
    const auto image = dir / "huge.img";
    // 512 GiB sparse: a FAT16 volume near the start, one 1 MiB-aligned near the end
    // that the stop never reaches.
    test::runOrFail("truncate -s 512G " + test::shellQuote(image.string()));
    test::formatFat(image, 16, 2048, 40000, "-s 4");
    test::formatFat(image, 16, (1ull << 30) - 1024 * 2048, 40000, "-s 4");
    Session s(image);
    s.toPartitionStep(false);         // the zero table sector starts the search
    s.wizard->searchMorePartitions(); // refused: one is running
    const auto began = std::chrono::steady_clock::now();
    while (s.ctx->partitions[0].count == 0 &&
           std::chrono::steady_clock::now() - began < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    s.wizard->stopPartitionSearch();
    s.waitForSearch();
    ASSERT_EQ(s.ctx->partitions[0].count, 1u);
    EXPECT_EQ(s.ctx->partitions[0].slots[1].startSector, 2048u);
    EXPECT_FALSE(app::PartitionSearchRunning(*s.ctx));
    EXPECT_TRUE(s.view.isEnabled(item::kNext));
    EXPECT_TRUE(s.view.isEnabled(item::kBack));
    EXPECT_TRUE(s.view.isShown(item::kSearchPartition));
    EXPECT_FALSE(s.view.isShown(item::kStopSearchPartition));
}

} // namespace
} // namespace qr::volume
