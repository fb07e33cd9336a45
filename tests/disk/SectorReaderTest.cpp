#include "disk/SectorReader.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "support/MemoryDevice.h"
#include "support/RecordingWindow.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

using namespace qr;
using test::MemoryMedium;

namespace {

const std::string kNotice = "Partition table has been corrupted, Now Quarrixdale Recovery - "
                            "Memory Card is searchig partitions...";

struct ReaderFixture : ::testing::Test {
    test::RecordingWindowItems window;
    test::ScriptedMessages messages;
    app::RecoveryContext ctx{{&window, &messages, nullptr}};
    MemoryMedium medium;
    std::shared_ptr<test::MemoryOpener> opener = std::make_shared<test::MemoryOpener>();
    int searchesStarted = 0;

    ReaderFixture() {
        opener->add("card", medium);
        ctx.reader = app::MakeSectorReader(ctx, opener);
        ctx.reader->paths().setName(0, "card");
        ctx.startPartitionSearch = [this] { ++searchesStarted; };
        ctx.wizardStage = 0;
    }
    std::vector<unsigned char> buffer(std::size_t sectors, unsigned char fill = 0xEE) {
        return std::vector<unsigned char>(sectors * 512, fill);
    }
    std::vector<unsigned char> sectorsOf(std::uint64_t first, std::size_t count) {
        return {medium.bytes.begin() + static_cast<long>(first * 512),
                medium.bytes.begin() + static_cast<long>((first + count) * 512)};
    }
};

} // namespace

TEST_F(ReaderFixture, WholeRunInOneRequestReturnsOne) {
    medium.bytes = test::patternSectors(64);
    auto buf = buffer(8);
    EXPECT_EQ(ctx.reader->read(10, 8, buf.data()), 1u);
    EXPECT_EQ(buf, sectorsOf(10, 8));
    ASSERT_EQ(medium.reads.size(), 1u) << "one request for the run";
    EXPECT_EQ(medium.reads[0], std::make_pair(std::uint64_t{10 * 512}, std::size_t{8 * 512}));
    EXPECT_EQ(window.textHistory(app::item::kStatusLine).size(), 0u);
}

TEST_F(ReaderFixture, CountZeroReadsNothingAndReturnsOne) {
    medium.bytes = test::patternSectors(4);
    auto buf = buffer(1);
    EXPECT_EQ(ctx.reader->read(0, 0, buf.data()), 1u);
    EXPECT_EQ(buf, buffer(1));
    EXPECT_TRUE(medium.reads.empty());
}

TEST_F(ReaderFixture, RunAcrossBadSectorsKeepsEveryReadableSector) {
    medium.bytes = test::patternSectors(32);
    medium.badSectors = {5, 7};
    auto buf = buffer(6); // sectors 3..8
    EXPECT_EQ(ctx.reader->read(3, 6, buf.data()), 0u);
    for (std::uint64_t s = 3; s < 9; ++s) {
        std::vector<unsigned char> got(buf.begin() + static_cast<long>((s - 3) * 512),
                                       buf.begin() + static_cast<long>((s - 2) * 512));
        if (medium.badSectors.count(s))
            EXPECT_EQ(got, std::vector<unsigned char>(512, 0xEE)) << "sector " << s << " keeps";
        else
            EXPECT_EQ(got, sectorsOf(s, 1)) << "sector " << s;
    }
    // One failed request, then one request per sector of the run.
    ASSERT_EQ(medium.reads.size(), 7u);
    for (std::size_t i = 1; i < 7; ++i)
        EXPECT_EQ(medium.reads[i].second, 512u);
}

TEST_F(ReaderFixture, NoticeIsGivenOnceUntilTheCounterIsReset) {
    medium.bytes = test::patternSectors(8);
    medium.badSectors = {2};
    auto buf = buffer(4);
    ctx.searchMode = app::kSearchStandard;
    EXPECT_EQ(ctx.reader->read(0, 4, buf.data()), 0u);
    EXPECT_EQ(ctx.reader->read(1, 4, buf.data()), 0u);
    EXPECT_EQ(window.textHistory(app::item::kStatusLine), std::vector<std::string>{kNotice});
    EXPECT_EQ(searchesStarted, 1);
    EXPECT_EQ(ctx.readFailureNotices, 2u);
    EXPECT_FALSE(ctx.tableCorrupted) << "only Advanced mode hides the range controls";
    EXPECT_EQ(messages.count(), 0u) << "read errors are never shown";

    // Back on the disk step resets the counter; in Advanced mode on a later step the
    // controls are hidden and no search starts.
    ctx.readFailureNotices = 1;
    ctx.searchMode = app::kSearchAdvanced;
    ctx.wizardStage = 1;
    EXPECT_EQ(ctx.reader->read(0, 4, buf.data()), 0u);
    EXPECT_EQ(window.textHistory(app::item::kStatusLine).size(), 2u);
    EXPECT_TRUE(ctx.tableCorrupted);
    for (int id :
         {app::item::kPartitionType, app::item::kPartitionTypeLabel, app::item::kStartSector,
          app::item::kStartSectorLabel, app::item::kEndSector, app::item::kEndSectorLabel})
        EXPECT_EQ(window.visible(id), false) << id;
    EXPECT_EQ(searchesStarted, 1);
}

TEST_F(ReaderFixture, UnopenableDeviceReturnsTheCountAndLeavesTheBuffer) {
    auto buf = buffer(3);
    EXPECT_EQ(ctx.reader->ReadSectors("no such device", 0, 0, 3, buf.data()), 3u);
    EXPECT_EQ(buf, buffer(3));
    EXPECT_EQ(ctx.readFailureNotices, 1u) << "no notice";
    // Unknown platform flag: the count, nothing read.
    medium.bytes = test::patternSectors(4);
    ctx.platform = static_cast<app::PlatformFamily>('X');
    EXPECT_EQ(ctx.reader->read(0, 2, buf.data()), 2u);
    EXPECT_TRUE(medium.reads.empty());
}

TEST_F(ReaderFixture, StartSectorsBeyond32BitsReachTheirOffset) {
    medium.virtualSize = (std::uint64_t{1} << 33) * 512; // 8 Gi sectors, 4 TiB
    medium.fill = 0x5A;
    const std::uint64_t start = (std::uint64_t{1} << 32) + 5;
    auto buf = buffer(2);
    EXPECT_EQ(ctx.reader->ReadSectors("card", 5, 1, 2, buf.data()), 1u);
    ASSERT_EQ(medium.reads.size(), 1u);
    EXPECT_EQ(medium.reads[0].first, start * 512);
    EXPECT_EQ(buf, buffer(2, 0x5A));
    // A start whose byte offset overflows reads as behind the end.
    EXPECT_EQ(ctx.reader->ReadSectors("card", 0xFFFFFFFF, 0xFFFFFFFF, 2, buf.data()), 1u);
    EXPECT_EQ(buf, buffer(2, 0));
}

TEST_F(ReaderFixture, OneHandleIsKeptPerDeviceUntilReleased) {
    medium.bytes = test::patternSectors(8);
    MemoryMedium other;
    other.bytes = test::patternSectors(2);
    opener->add("other", other);
    auto buf = buffer(1);
    for (int i = 0; i < 5; ++i)
        ctx.reader->read(static_cast<std::uint64_t>(i), 1, buf.data());
    EXPECT_EQ(medium.opens, 1);
    ctx.reader->ReadSectors("other", 0, 0, 1, buf.data());
    ctx.reader->read(0, 1, buf.data());
    EXPECT_EQ(medium.opens, 2) << "another device's read closes the kept one";
    ctx.reader->release();
    ctx.reader->read(0, 1, buf.data());
    EXPECT_EQ(medium.opens, 3);
}

TEST(SectorReaderOnImages, RunPastTheEndCountsAsReadAndZeroesTheRest) {
    test::TempDir dir;
    const auto image = dir / "short.img";
    const auto bytes = test::patternSectors(3);
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    app::RecoveryContext ctx;
    ctx.reader->paths().setName(0, image.string());
    std::vector<unsigned char> buf(4 * 512, 0xEE);
    EXPECT_EQ(ctx.reader->read(2, 4, buf.data()), 1u);
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 512, bytes.begin() + 2 * 512));
    EXPECT_TRUE(std::all_of(buf.begin() + 512, buf.end(), [](unsigned char c) { return c == 0; }));
    EXPECT_EQ(ctx.readFailureNotices, 1u);
    // Folders and other non-media are not opened.
    EXPECT_EQ(ctx.reader->ReadSectors(dir.path().string(), 0, 0, 1, buf.data()), 1u)
        << "an unopenable device answers with the count";
}

TEST(DevicePathTable, TenClassicNamesUntilTheListingPointsThemElsewhere) {
    disk::DevicePathTable table;
    EXPECT_EQ(table.name(0), "\\\\.\\PhysicalDrive0");
    EXPECT_EQ(table.name(9), "\\\\.\\PhysicalDrive9");
    EXPECT_EQ(table.name(0)[17], '0') << "character 17 is the disk digit";
    EXPECT_EQ(table.name(10), "") << "only ten disks can be named";
    table.setName(3, "/dev/sdc");
    table.setName(12, "/dev/sdz");
    EXPECT_EQ(table.name(3), "/dev/sdc");
    EXPECT_EQ(table.name(12), "");
}

TEST_F(ReaderFixture, FailuresOnSeveralThreadsAtOnceGiveOneNotice) {
    medium.bytes = test::patternSectors(64);
    for (std::uint64_t s = 0; s < 64; ++s)
        medium.badSectors.insert(s);
    ctx.wizardStage = 1; // no search start, only the notice itself
    std::atomic<bool> go{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < 8; ++t)
        readers.emplace_back([&, t] {
            auto buf = buffer(2);
            while (!go)
                std::this_thread::yield();
            ctx.reader->read(static_cast<std::uint64_t>(t) * 2, 2, buf.data());
        });
    go = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(window.textHistory(app::item::kStatusLine).size(), 1u);
    EXPECT_EQ(ctx.readFailureNotices, 2u);
}
