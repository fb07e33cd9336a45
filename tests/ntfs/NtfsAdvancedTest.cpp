// The advanced NTFS sweep and the assignment on small media built here: directories
// whose numbers come from index entries, a volume found by its boot sector or inferred
// from two directories, records counted on, and damaged index records and pairs.
#include "NtfsRecordBuilder.h"
#include "model/RecordTable.h"
#include "ntfs/AssignMftNumbers.h"
#include "ntfs/ScanSectorsForNtfs.h"
#include "support/MemorySource.h"
#include "volume/SearchProgress.h"

#include <gtest/gtest.h>

#include <random>

namespace qr::ntfs {
namespace {

using namespace testing;
using model::RecordTables;

constexpr std::uint64_t kStart = 100; // first sector of the volume
constexpr std::uint32_t kPerCluster = 4;
constexpr std::uint64_t kSectors = 2000;

struct Entry {
    std::uint32_t record;
    std::uint32_t parent;
    std::u16string name;
    bool directory;
    std::int64_t created;
};

// An index entry: reference, length, key (a file-name value).
std::vector<unsigned char> indexEntry(const Entry& e) {
    std::vector<unsigned char> key = fileNameValue(e.parent, e.name, 1, e.created);
    if (e.directory)
        put32(key.data() + 0x38, 0x10000000);
    std::vector<unsigned char> entry(0x10, 0);
    put64(entry.data(), e.record);
    const std::size_t length = (0x10 + key.size() + 7) & ~std::size_t{7};
    put16(entry.data() + 8, static_cast<std::uint16_t>(length));
    put16(entry.data() + 10, static_cast<std::uint16_t>(key.size()));
    entry.insert(entry.end(), key.begin(), key.end());
    entry.resize(length, 0);
    return entry;
}

class Disk {
public:
    Disk() : source(std::vector<unsigned char>(kSectors * 512, 0)) {}

    unsigned char* at(std::uint64_t sector) { return source.bytes.data() + sector * 512; }

    // A 4096-byte index record at `sector` whose entries are `entries` (the first one
    // names the owner as its parent).
    void indexRecord(std::uint64_t sector, const std::vector<Entry>& entries,
                     std::uint32_t vcn = 0) {
        unsigned char* r = at(sector);
        std::memcpy(r, "INDX", 4);
        put16(r + 4, 0x28);
        put16(r + 6, 9);
        put64(r + 0x10, vcn);
        put32(r + 0x18, 0x40 - 0x18);
        put32(r + 0x20, 4096 - 0x18);
        std::size_t offset = 0x40;
        for (const Entry& e : entries) {
            const auto bytes = indexEntry(e);
            std::copy(bytes.begin(), bytes.end(), r + offset);
            offset += bytes.size();
        }
        put16(r + offset + 8, 0x10); // end entry
    }

    // A directory record: name, parent, date; its own number in its index root when
    // `self` is not 0; its index allocation at cluster `firstRun` when not 0.
    void directory(std::uint64_t sector, const std::u16string& name, std::uint32_t parent,
                   std::int64_t created, std::uint32_t self, std::uint8_t firstRun,
                   std::uint8_t flags = 3) {
        RecordBuilder b(flags);
        b.resident(0x30, fileNameValue(parent, name, 1, created));
        if (self != 0) {
            std::vector<unsigned char> root(0x20, 0);
            put32(root.data() + 0x10, 0x10);
            const auto entry = indexEntry({self + 1000, self, u"child", false, 0});
            root.insert(root.end(), entry.begin(), entry.end());
            b.resident(0x90, root, u"$I30");
        }
        if (firstRun != 0)
            b.nonResident(0xA0, {0x11, 0x01, firstRun, 0x00}, 4096, 0, 0, 0, u"$I30");
        place(sector, b);
    }
    void file(std::uint64_t sector, const std::u16string& name, std::uint32_t parent,
              std::uint8_t flags = 1) {
        RecordBuilder b(flags);
        b.resident(0x30, fileNameValue(parent, name, 1, 7));
        b.resident(0x80, std::vector<unsigned char>(33, 'x'));
        place(sector, b);
    }
    void bootSector(std::uint64_t sector, std::uint64_t total) {
        unsigned char* s = at(sector);
        std::memcpy(s + 3, "NTFS    ", 8);
        s[0x0D] = kPerCluster;
        put64(s + 0x28, total);
        put64(s + 0x30, 4);
        put64(s + 0x38, 8);
        s[510] = 0x55;
        s[511] = 0xAA;
    }
    void place(std::uint64_t sector, const RecordBuilder& b) {
        const RecordBytes bytes = b.disk();
        std::copy(bytes.begin(), bytes.end(), at(sector));
    }

    // Sweep and assignment over the whole medium.
    AssignmentResult search(RecordTables& tables, std::stop_token stop = {}) {
        volume::NoProgress progress;
        const NtfsSweepResult swept =
            ScanSectorsForNtfs(source, 0, kSectors, tables, stop, progress, 64);
        return AssignMftNumbers(source, tables, kSectors, &swept.signatures, progress);
    }

    test::MemorySource source;
};

// Root (5) at cluster 10 names folders "a" (40) and "b" (41); "a" keeps its index at
// cluster 30 and holds x.txt; "b" is small (no index allocation).
void sampleVolume(Disk& disk) {
    const std::uint64_t rootIndex = kStart + kPerCluster * 10;
    const std::uint64_t aIndex = kStart + kPerCluster * 30;
    disk.indexRecord(rootIndex, {{40, 5, u"a", true, 111}, {41, 5, u"b", true, 222}});
    disk.indexRecord(aIndex, {{50, 40, u"x.txt", false, 7}});
    disk.directory(kStart + 400, u".", 5, 1, 5, 10);
    disk.directory(kStart + 402, u"a", 5, 111, 0, 30);
    disk.directory(kStart + 404, u"b", 5, 222, 0, 0);
    disk.file(kStart + 406, u"x.txt", 40);
    disk.file(kStart + 408, u"y.txt", 41);
}

int rowOf(const model::RecordTable& table, int column, const std::string& text) {
    for (int i = 0; i < table.rowCount(); ++i)
        if (table.cell(i, column) == text)
            return i;
    return -1;
}

TEST(NtfsAdvancedAssignment, DirectoriesTakeTheirNumbersAndTheVolumeIsInferredFromAPair) {
    Disk disk;
    sampleVolume(disk);
    RecordTables tables;
    const AssignmentResult result = disk.search(tables);
    ASSERT_EQ(result.fileSystems, 1);
    using namespace model;
    EXPECT_EQ(tables.fileSystemTable.number(0, boot_col::Cluster0Start), kStart);
    EXPECT_EQ(tables.fileSystemTable.number(0, boot_col::Spc), kPerCluster);
    EXPECT_EQ(tables.fileSystemTable.cell(0, boot_col::PartType), "NTFS");

    const RecordTable& mft = tables.mftRecordTable;
    EXPECT_EQ(mft.number(rowOf(mft, mft_col::Name, "a"), mft_col::SelfMft), 40u);
    EXPECT_EQ(mft.number(rowOf(mft, mft_col::Name, "b"), mft_col::SelfMft), 41u);
    EXPECT_EQ(mft.number(rowOf(mft, mft_col::Name, "."), mft_col::SelfMft), 5u);
    // Counted on from the record before it.
    EXPECT_EQ(mft.number(rowOf(mft, mft_col::Name, "x.txt"), mft_col::SelfMft), 42u);

    // Every directory, the small one too, belongs to the volume.
    const RecordTable& dirs = tables.dirClusterTable;
    ASSERT_EQ(dirs.rowCount(), 3);
    for (int i = 0; i < dirs.rowCount(); ++i)
        EXPECT_EQ(dirs.number(i, dircluster_col::FileSystem), 1u) << dirs.cell(i, 5);
}

TEST(NtfsAdvancedAssignment, ABootSectorGivesTheVolumeAndItsEnd) {
    Disk disk;
    sampleVolume(disk);
    disk.bootSector(kStart, 1500);
    RecordTables tables;
    ASSERT_EQ(disk.search(tables).fileSystems, 1);
    EXPECT_EQ(tables.fileSystemTable.number(0, model::boot_col::Sector), kStart);
    EXPECT_EQ(tables.fileSystemTable.number(0, model::boot_col::Spf), kStart + 1500);
    EXPECT_EQ(tables.bootSectorTable.rowCount(), 1);
}

TEST(NtfsAdvancedAssignment, TheFirstOfTwoLikeDirectoriesTakesTheFirstEntry) {
    Disk disk;
    sampleVolume(disk);
    // A second "a" with the same parent and date, behind the first.
    disk.directory(kStart + 420, u"a", 5, 111, 0, 0);
    RecordTables tables;
    disk.search(tables);
    const model::RecordTable& mft = tables.mftRecordTable;
    EXPECT_EQ(mft.number(rowOf(mft, model::mft_col::Name, "a"), model::mft_col::SelfMft), 40u);
    // The later one is counted on from the file before it.
    EXPECT_EQ(mft.number(mft.rowCount() - 1, model::mft_col::SelfMft), 44u);
}

TEST(NtfsAdvancedAssignment, ARecordBeforeAnyKnownOneIsNumberedTwo) {
    Disk disk;
    disk.file(10, u"first.txt", 5);
    RecordTables tables;
    disk.search(tables);
    EXPECT_EQ(tables.mftRecordTable.number(0, model::mft_col::SelfMft), 2u);
}

TEST(NtfsAdvancedAssignment, NoVolumeWithoutMatchingIndexRecords) {
    Disk disk;
    disk.directory(kStart + 400, u".", 5, 1, 5, 10);
    disk.directory(kStart + 402, u"a", 5, 111, 40, 30);
    disk.bootSector(kStart, 1500);
    RecordTables tables;
    EXPECT_EQ(disk.search(tables).fileSystems, 0);
    EXPECT_EQ(tables.fileSystemTable.rowCount(), 0);
}

TEST(NtfsAdvancedAssignment, PairsGiveOnlyPowersOfTwoUpTo128AndNoWrappedStart) {
    EXPECT_EQ(VolumeFromPair(140, 10, 220, 30)->sectorsPerCluster, 4u);
    EXPECT_EQ(VolumeFromPair(140, 10, 220, 30)->start, 100u);
    EXPECT_EQ(VolumeFromPair(220, 30, 140, 10)->start, 100u);
    EXPECT_FALSE(VolumeFromPair(100, 10, 160, 30)); // 3 sectors per cluster
    EXPECT_FALSE(VolumeFromPair(0, 0, 2560, 10));   // 256
    EXPECT_FALSE(VolumeFromPair(100, 10, 200, 10)); // equal first runs
    EXPECT_FALSE(VolumeFromPair(100, 10, 100, 20)); // equal sectors
    EXPECT_FALSE(VolumeFromPair(220, 10, 140, 30)); // sectors against clusters
    // d * L wraps 32 bits: the start would lie before sector 0.
    EXPECT_FALSE(VolumeFromPair(100, 0x02000000, 100 + 128, 0x02000001));
}

TEST(NtfsAdvancedSweep, IndexRecordsOfSystemOwnersAndFileRecordsOfOtherSizesAreNotRecorded) {
    Disk disk;
    disk.indexRecord(20, {{30, 4, u"x", false, 0}}); // owner 4
    disk.indexRecord(40, {{30, 5, u"x", false, 0}}); // owner 5
    disk.file(80, u"big", 5);
    put16(disk.at(80) + 0x1C, 4096);
    disk.file(90, u"boot-like", 5);
    disk.at(90)[510] = 0x55;
    disk.at(90)[511] = 0xAA;
    RecordTables tables;
    volume::NoProgress progress;
    ScanSectorsForNtfs(disk.source, 0, kSectors, tables, {}, progress, 64);
    ASSERT_EQ(tables.indexRecordTable.rowCount(), 1);
    EXPECT_EQ(tables.indexRecordTable.number(0, model::index_col::Sector), 40u);
    EXPECT_EQ(tables.indexRecordTable.cell(0, model::index_col::FsNumber), "4294967295");
    EXPECT_EQ(tables.mftRecordTable.rowCount(), 0);
}

TEST(NtfsAdvancedSweep, AFileRecordAcrossABatchEndIsReadWhole) {
    Disk disk;
    disk.file(63, u"straddles.txt", 5); // its second sector opens the next batch
    RecordTables tables;
    volume::NoProgress progress;
    ScanSectorsForNtfs(disk.source, 0, kSectors, tables, {}, progress, 64);
    ASSERT_EQ(tables.mftRecordTable.rowCount(), 1);
    EXPECT_EQ(tables.mftRecordTable.cell(0, model::mft_col::Name), "straddles.txt");
    EXPECT_EQ(tables.mftRecordTable.number(0, model::mft_col::Size), 33u);
}

// Stops the sweep once it has passed a sector.
class StopAfter final : public volume::SearchProgress {
public:
    StopAfter(std::stop_source& stop, std::uint64_t sector) : stop_(stop), sector_(sector) {}
    void phase(volume::SearchPhase) override {}
    void position(std::uint64_t position, std::uint64_t) override {
        if (position >= sector_)
            stop_.request_stop();
    }
    void counter(volume::SearchCounter, std::uint64_t) override {}

private:
    std::stop_source& stop_;
    std::uint64_t sector_;
};

TEST(NtfsAdvancedSweep, AStoppedSweepKeepsWhatItFoundAndTheAssignmentRunsOnIt) {
    Disk disk;
    sampleVolume(disk);
    disk.file(1800, u"late.txt", 5);
    RecordTables tables;
    std::stop_source stop;
    StopAfter progress(stop, 600);
    const NtfsSweepResult swept =
        ScanSectorsForNtfs(disk.source, 0, kSectors, tables, stop.get_token(), progress, 64);
    EXPECT_EQ(swept.end, disk::SweepEnd::Stopped);
    EXPECT_LT(swept.next, 1800u);
    EXPECT_EQ(rowOf(tables.mftRecordTable, model::mft_col::Name, "late.txt"), -1);
    volume::NoProgress quiet;
    EXPECT_EQ(AssignMftNumbers(disk.source, tables, kSectors, &swept.signatures, quiet).fileSystems,
              1);
}

TEST(NtfsAdvancedHostile, DamagedIndexRecordsAndRecordsNeitherCrashNorHang) {
    std::mt19937 random(12);
    for (int round = 0; round < 40; ++round) {
        Disk disk;
        sampleVolume(disk);
        // Damage: sizes, entry offsets and lengths, name lengths, owners and runs.
        for (int i = 0; i < 60; ++i) {
            const std::uint64_t sector = random() % kSectors;
            unsigned char* s = disk.at(sector);
            switch (random() % 4) {
            case 0:
                std::memcpy(s, "INDX", 4);
                break;
            case 1:
                std::memcpy(s, "FILE", 4);
                put16(s + 0x1C, 1024);
                break;
            default:
                break;
            }
            for (int k = 0; k < 6; ++k)
                s[random() % 512] = static_cast<unsigned char>(random());
            put32(s + 0x18 + 4 * (random() % 4), static_cast<std::uint32_t>(random()));
        }
        RecordTables tables;
        const AssignmentResult result = disk.search(tables);
        EXPECT_LE(result.fileSystems, tables.dirClusterTable.rowCount() + 1);
    }
}

TEST(NtfsAdvancedHostile, IndexEntryWalkStaysInsideItsRecord) {
    std::vector<unsigned char> record(1024, 0);
    std::memcpy(record.data(), "INDX", 4);
    put32(record.data() + 0x18, 0x28);
    const auto entry = indexEntry({9, 5, u"name", true, 3});
    std::copy(entry.begin(), entry.end(), record.begin() + 0x40);
    int seen = 0;
    ForEachIndexEntry(disk::ByteView(record.data(), record.size()), [&](const IndexEntryKey& key) {
        EXPECT_EQ(key.name, "name");
        EXPECT_TRUE(key.directory);
        ++seen;
    });
    EXPECT_EQ(seen, 1);
    // A name that runs past the record ends the walk before it.
    record[0x40 + 0x50] = 255;
    ForEachIndexEntry(disk::ByteView(record.data(), 0x40 + 0x60),
                      [&](const IndexEntryKey&) { ADD_FAILURE() << "an entry past the record"; });
    // An entry offset far past the record.
    put32(record.data() + 0x18, 0xFFFFFFF0);
    ForEachIndexEntry(disk::ByteView(record.data(), record.size()),
                      [&](const IndexEntryKey&) { ADD_FAILURE(); });
}

} // namespace
} // namespace qr::ntfs
