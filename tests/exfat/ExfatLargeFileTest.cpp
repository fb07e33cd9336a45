// Files of 4 GiB and more: listed with their whole size, extracted to the last byte,
// and still whole after a recovery log (whose file records keep 32 bits of size) is
// saved and loaded again.
#include "exfat/DirectoryWalk.h"
#include "exfat/ExfatEngine.h"
#include "fat/ActiveGeometry.h"
#include "model/FolderNodeList.h"
#include "model/RecordTable.h"
#include "output/RecoveryLogFormat.h"
#include "output/RecoveryLogState.h"
#include "volume/VolumeParams.h"

#include "TinyVolume.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qr::exfat {
namespace {

using test::EntrySetBytes;
using test::SetSpec;

constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::uint64_t kBigLength = 4 * kGiB + (1u << 20);

// A 5 GiB volume whose metadata lives in memory and whose heap reads as a pattern:
// every sector past the root directory starts with its own number. 128 KiB clusters,
// the FAT at sector 24, the heap at sector 1024, the root in cluster 2.
class PatternVolume final : public disk::SectorSource {
public:
    static constexpr std::uint32_t kSectorsPerCluster = 256;
    static constexpr std::uint32_t kClusters = 40000;
    static constexpr std::uint64_t kHeapStart = 1024;
    static constexpr std::uint64_t kMetadataSectors = kHeapStart + kSectorsPerCluster;

    PatternVolume() : metadata(kMetadataSectors * 512, 0) {
        setFat(2, 0xFFFFFFFF); // the root: one cluster
    }

    Geometry geometry() const {
        Geometry g;
        g.volumeEnd = kHeapStart + std::uint64_t{kClusters} * kSectorsPerCluster;
        g.fatStart = 24;
        g.fatSectors = (std::uint64_t{kClusters} + 2) * 4 / 512 + 1;
        g.heapStart = kHeapStart;
        g.sectorsPerCluster = kSectorsPerCluster;
        g.clusterCount = kClusters;
        g.rootCluster = 2;
        return g;
    }
    void setFat(std::uint32_t cluster, std::uint32_t next) {
        std::memcpy(&metadata[24 * 512 + std::size_t{cluster} * 4], &next, 4);
    }
    void putInRoot(std::size_t offset, const std::vector<unsigned char>& bytes) {
        std::copy(bytes.begin(), bytes.end(), metadata.begin() + kHeapStart * 512 + offset);
    }
    void clearRoot() { std::fill(metadata.begin() + kHeapStart * 512, metadata.end(), 0); }

    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        std::memset(buffer, 0, std::size_t{count} * 512);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t sector = start + i;
            unsigned char* out = buffer + std::size_t{i} * 512;
            if (sector < kMetadataSectors)
                std::memcpy(out, &metadata[sector * 512], 512);
            else
                std::memcpy(out, &sector, sizeof sector);
        }
        return disk::ReadStatus::Complete;
    }
    std::uint64_t sectorCount() override { return geometry().volumeEnd; }

    std::vector<unsigned char> metadata;
};

// Counts what it is given and checks that every sector carries the number the
// pattern volume wrote into it.
class PatternSink final : public volume::FileSink {
public:
    explicit PatternSink(std::uint64_t firstSector) : next_(firstSector) {}
    bool write(disk::ByteView bytes) override {
        for (std::uint64_t at = 0; at < bytes.size(); at += 512) {
            if (bytes.size() - at >= 8 && bytes.u64(at) != next_)
                ++wrongSectors;
            ++next_;
        }
        total += bytes.size();
        return true;
    }
    bool interrupted() override { return false; }
    void unreadable(std::uint64_t, std::uint64_t) override {}

    std::uint64_t total = 0;
    std::uint64_t wrongSectors = 0;

private:
    std::uint64_t next_;
};

class LargeExfatFile : public ::testing::Test {
protected:
    LargeExfatFile() {
        SetSpec video;
        video.name = u"video.mp4";
        video.firstCluster = 3;
        video.dataLength = kBigLength;
        video.streamFlags = 0x03; // consecutive clusters, no FAT chain
        volume.putInRoot(0, EntrySetBytes(video));
        SetSpec small;
        small.name = u"small.txt";
        small.firstCluster = 39990;
        small.dataLength = 6;
        volume.setFat(39990, 0xFFFFFFFF);
        volume.putInRoot(96, EntrySetBytes(small));
    }

    void search() {
        FatTable fat(volume, volume.geometry());
        volume::NoProgress progress;
        DirectoryWalk walk(volume, volume.geometry(), fat, tables.folderTable, tables.fileTable,
                           progress);
        walk.walkRoot({});
    }
    std::vector<volume::FolderFile> listRoot(const model::RecordTable& files) {
        ExfatEngine engine(volume, volume.geometry(), nullptr, files);
        std::vector<volume::FolderFile> listed;
        engine.listFiles(kRootKey, false, [&](const volume::FolderFile& file) {
            listed.push_back(file);
            return true;
        });
        return listed;
    }
    // The file rows after a log was taken of the search, written, read and loaded.
    model::RecordTable throughLog() {
        fat::ActiveGeometry working;
        working.fileSystemName = "exFAT";
        volume::VolumeParams validated;
        validated.fileSystemName = "exFAT";
        const output::RecoveryLogSnapshot snapshot =
            output::TakeLogSnapshot({}, validated, working, {}, tables.fileTable);
        const auto parsed = output::ParseRecoveryLog(output::EncodeRecoveryLog(snapshot));
        EXPECT_TRUE(parsed.snapshot) << parsed.problem;
        model::RecordTables loaded;
        if (parsed.snapshot)
            output::FillTablesFromLog(*parsed.snapshot, loaded.folderTable, loaded.fileTable);
        return loaded.fileTable;
    }

    PatternVolume volume;
    model::RecordTables tables;
};

TEST_F(LargeExfatFile, IsListedWithItsWholeSizeAndExtractedToTheLastSector) {
    search();
    const auto listed = listRoot(tables.fileTable);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].size, kBigLength);

    ExfatEngine engine(volume, volume.geometry(), nullptr, tables.fileTable);
    PatternSink sink(volume.geometry().clusterSector(3));
    const volume::ExtractReport report = engine.extract(listed[0], sink, {});
    EXPECT_EQ(report.end, volume::ExtractEnd::Complete) << report.why;
    EXPECT_EQ(report.bytesWritten, kBigLength);
    EXPECT_EQ(sink.total, kBigLength);
    EXPECT_EQ(sink.wrongSectors, 0u);
}

TEST_F(LargeExfatFile, KeepsItsWholeSizeThroughASavedAndLoadedLog) {
    search();
    const model::RecordTable loaded = throughLog();
    ASSERT_EQ(loaded.rowCount(), 2);
    // The record holds "4 GiB or more", never the low bits of the size (1 MiB here).
    EXPECT_EQ(loaded.cell(0, model::folder_col::Size), "4294967295");
    EXPECT_EQ(loaded.cell(1, model::folder_col::Size), "6");

    const auto listed = listRoot(loaded);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].size, kBigLength);
    EXPECT_EQ(listed[1].size, 6u);

    // A save plan knows the file by name, size, first cluster and state only.
    volume::FolderFile planned;
    planned.name = listed[0].name;
    planned.size = listed[0].size;
    planned.location = listed[0].location;
    ExfatEngine engine(volume, volume.geometry(), nullptr, loaded);
    PatternSink sink(volume.geometry().clusterSector(3));
    const volume::ExtractReport report = engine.extract(planned, sink, {});
    EXPECT_EQ(report.end, volume::ExtractEnd::Complete) << report.why;
    EXPECT_EQ(sink.total, kBigLength);
    EXPECT_EQ(sink.wrongSectors, 0u);
}

TEST_F(LargeExfatFile, WhoseEntryIsGoneAfterTheLogKeepsTheClippedSize) {
    search();
    const model::RecordTable loaded = throughLog();
    volume.clearRoot();
    const auto listed = listRoot(loaded);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].size, 0xFFFFFFFFu);
}

// The entry set of a logged file is found again in a folder without a FAT chain, in
// its second cluster, and for a deleted file of a deleted folder.
TEST(LargeExfatFileInTinyVolume, IsFoundAgainInAFolderOfConsecutiveClusters) {
    test::TinyVolume tiny;
    SetSpec folder;
    folder.name = u"DCIM";
    folder.attributes = 0x10;
    folder.firstCluster = 10;
    folder.dataLength = 1024;
    folder.streamFlags = 0x03;
    tiny.put(2, 0, EntrySetBytes(folder));
    std::vector<unsigned char> fillers;
    for (int i = 0; i < 4; ++i) { // four sets of four entries fill the first cluster
        SetSpec small;
        small.name = u"a_rather_long_name_" + std::u16string(1, static_cast<char16_t>(u'0' + i));
        small.firstCluster = 50 + i;
        small.dataLength = 10;
        const auto bytes = EntrySetBytes(small);
        fillers.insert(fillers.end(), bytes.begin(), bytes.end());
    }
    tiny.put(10, 0, fillers);
    SetSpec big;
    big.name = u"clip.mov";
    big.firstCluster = 60;
    big.dataLength = 5 * kGiB;
    big.streamFlags = 0x03;
    big.deleted = true;
    tiny.put(11, 0, EntrySetBytes(big));

    model::RecordTables tables;
    FatTable fat(tiny.source, tiny.geometry());
    volume::NoProgress progress;
    DirectoryWalk walk(tiny.source, tiny.geometry(), fat, tables.folderTable, tables.fileTable,
                       progress);
    walk.walkRoot({});
    ASSERT_EQ(tables.fileTable.rowCount(), 5);

    fat::ActiveGeometry working;
    working.fileSystemName = "exFAT";
    volume::VolumeParams validated;
    const auto parsed = output::ParseRecoveryLog(output::EncodeRecoveryLog(
        output::TakeLogSnapshot({}, validated, working, {}, tables.fileTable)));
    ASSERT_TRUE(parsed.snapshot) << parsed.problem;
    model::RecordTables loaded;
    output::FillTablesFromLog(*parsed.snapshot, loaded.folderTable, loaded.fileTable);

    // The folder is marked deleted after the log: its files list as deleted too.
    ExfatEngine engine(tiny.source, tiny.geometry(), nullptr, loaded.fileTable);
    std::vector<volume::FolderFile> listed;
    engine.listFiles(10, true, [&](const volume::FolderFile& file) {
        listed.push_back(file);
        return true;
    });
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_EQ(listed.back().name, "clip.mov");
    EXPECT_EQ(listed.back().size, 5 * kGiB);
    EXPECT_TRUE(listed.back().deleted);
    EXPECT_EQ(listed.front().size, 10u);
}

} // namespace
} // namespace qr::exfat
