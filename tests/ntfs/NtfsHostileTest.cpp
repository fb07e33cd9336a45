// The MFT walk and extraction on small volumes built in memory: damaged records,
// looping attribute lists, run lists that point outside the volume or the medium.
#include "NtfsRecordBuilder.h"
#include "model/RecordTable.h"
#include "ntfs/Attribute.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsExtract.h"
#include "ntfs/NtfsSearch.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <map>

namespace qr::ntfs {
namespace {

using namespace testing;

// 1 MiB volume at sector 0, two sectors per cluster, the MFT's 32 records at cluster 16.
class MemoryVolume : public ::testing::Test {
protected:
    static constexpr std::uint64_t kMftCluster = 16;
    static constexpr unsigned kMftRecords = 32;

    MemoryVolume() : source(std::vector<unsigned char>(1 << 20, 0)) {
        geometry.volumeStart = 0;
        geometry.volumeEnd = 2048;
        geometry.sectorsPerCluster = 2;
        geometry.mftStart = kMftCluster * 2;
        RecordBuilder zero(1);
        zero.resident(kFileName, fileNameValue(5, u"$MFT", 3))
            .nonResident(kData, {0x11, kMftRecords, kMftCluster, 0}, kMftRecords * 1024);
        put(0, zero);
        RecordBuilder root(3);
        root.resident(kFileName, fileNameValue(5, u".", 3));
        put(5, root);
    }

    void put(std::uint32_t number, const RecordBuilder& record) { putBytes(number, record.disk()); }
    void putBytes(std::uint32_t number, const RecordBytes& bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  source.bytes.begin() +
                      static_cast<std::ptrdiff_t>((kMftCluster + number) * 1024));
    }
    void putCluster(std::uint64_t cluster, const std::string& bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  source.bytes.begin() + static_cast<std::ptrdiff_t>(cluster * 1024));
    }

    NtfsSearchResult searchAll() {
        volume::NoProgress progress;
        return RunNtfsStandardSearch(source, geometry, tables.folderTable, tables.fileTable,
                                     progress);
    }
    // Names of the FileTable rows by record number.
    std::map<std::uint32_t, std::string> fileRows() const {
        std::map<std::uint32_t, std::string> rows;
        for (int r = 0; r < tables.fileTable.rowCount(); ++r)
            rows[tables.fileTable.number(r, model::folder_col::Self)] =
                tables.fileTable.cell(r, model::folder_col::Name);
        return rows;
    }

    test::MemorySource source;
    NtfsGeometry geometry;
    model::RecordTables tables;
};

struct StringSink final : volume::FileSink {
    bool write(disk::ByteView bytes) override {
        data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }
    bool interrupted() override { return polls++ >= interruptAfter; }
    void unreadable(std::uint64_t offset, std::uint64_t length) override {
        unreadableBytes += length;
        firstUnreadable = std::min(firstUnreadable, offset);
    }
    std::string data;
    int polls = 0;
    int interruptAfter = 1 << 30;
    std::uint64_t unreadableBytes = 0;
    std::uint64_t firstUnreadable = UINT64_MAX;
};

TEST_F(MemoryVolume, DamagedRecordsAreSkippedAndOrphanFoldersGoUnderLost) {
    RecordBuilder ok(1);
    ok.resident(kFileName, fileNameValue(5, u"ok.txt")).resident(kData, {'h', 'i'});
    put(20, ok);
    RecordBuilder offsetPast(1);
    offsetPast.resident(kFileName, fileNameValue(5, u"bad1.txt"));
    RecordBytes bad1 = offsetPast.disk();
    put16(&bad1[0x14], 0xFFF0);
    putBytes(21, bad1);
    RecordBytes bad2 = ok.disk();
    put32(&bad2[0x38 + 4], 0x7FFFFFFF);
    putBytes(22, bad2);
    // A base record without a name whose list names itself and a record that lists it.
    std::vector<unsigned char> list(2 * 0x20, 0);
    for (int i = 0; i < 2; ++i) {
        put32(&list[0x20 * i], 0x30);
        put16(&list[0x20 * i + 4], 0x20);
        put32(&list[0x20 * i + 0x10], i == 0 ? 23 : 24);
    }
    RecordBuilder loop(1);
    loop.resident(kAttributeList, list);
    put(23, loop);
    put(24, loop);
    RecordBuilder orphan(3);
    orphan.resident(kFileName, fileNameValue(999, u"orphan"));
    put(26, orphan);
    RecordBuilder child(0);
    child.resident(kFileName, fileNameValue(26, u"child.doc")).resident(kData, {1});
    put(27, child);
    RecordBytes noSignature = ok.disk();
    noSignature[0] = 'X';
    putBytes(28, noSignature);

    const NtfsSearchResult result = searchAll();
    EXPECT_EQ(result.walk.records, kMftRecords);
    const auto files = fileRows();
    EXPECT_EQ(files.size(), 3u); // $MFT, ok.txt, child.doc
    EXPECT_EQ(files.at(20), "ok.txt");
    EXPECT_EQ(files.at(27), "child.doc");
    EXPECT_EQ(tables.fileTable.cell(2, model::folder_col::Deleted), "1");

    using namespace model::folder_col;
    const model::RecordTable& folders = tables.folderTable;
    ASSERT_EQ(folders.rowCount(), 3);
    EXPECT_EQ(folders.cell(0, Name), "Lost");
    EXPECT_EQ(folders.number(1, Self), 5u);
    EXPECT_EQ(folders.number(2, Self), 26u);
    EXPECT_EQ(folders.number(2, Parent), model::kLostFolderKey);
}

TEST_F(MemoryVolume, RecordZeroWithoutSignatureGivesOnlyTheLostRow) {
    RecordBytes zero{};
    putBytes(0, zero);
    const NtfsSearchResult result = searchAll();
    EXPECT_EQ(result.mftRuns.count(), 0u);
    EXPECT_EQ(tables.folderTable.rowCount(), 1);
    EXPECT_EQ(tables.fileTable.rowCount(), 0);
}

TEST_F(MemoryVolume, AnMftRunListOutsideTheVolumeStaysBounded) {
    // Runs far behind the volume, and one of 2^40 clusters.
    RecordBuilder zero(1);
    zero.nonResident(kData, {0x11, 4, kMftCluster, 0x35, 0, 0, 0, 0, 1, 0, 0, 0x10, 0}, 1ull << 50);
    put(0, zero);
    source.reads.clear();
    const NtfsSearchResult result = searchAll();
    EXPECT_LE(result.mftRuns.totalSectors(), geometry.volumeEnd);
    EXPECT_LT(source.reads.size(), 50u);
    for (const auto& [start, count] : source.reads)
        EXPECT_LE(start + count, geometry.volumeEnd);
}

TEST_F(MemoryVolume, ExtractionWritesSparseRunsAsZerosAndStopsAtTheMediumEnd) {
    putCluster(100, std::string(1024, 'a'));
    putCluster(101, std::string(1024, 'b'));
    // 2 clusters at 100, 2 sparse, then 3 clusters at 1022 of which 2 lie on the medium.
    RecordBuilder file(1);
    file.resident(kFileName, fileNameValue(5, u"f.bin"))
        .nonResident(kData, {0x11, 2, 100, 0x01, 2, 0x21, 3, 0x9A, 0x03, 0}, 7 * 1024);
    put(30, file);
    geometry.volumeEnd = 4096; // the volume claims more than the medium holds
    const NtfsSearchResult result = searchAll();
    const std::uint64_t sector = result.mftRuns.recordToSector(30);
    StringSink sink;
    const auto report =
        ExtractNtfsFile(source, geometry, result.mftRuns, {30, sector, 7 * 1024}, sink);
    EXPECT_EQ(report.end, volume::ExtractEnd::Truncated);
    EXPECT_EQ(report.bytesWritten, 6u * 1024);
    EXPECT_EQ(sink.data.substr(0, 2048), std::string(1024, 'a') + std::string(1024, 'b'));
    EXPECT_EQ(sink.data.substr(2048, 2048), std::string(2048, '\0'));

    StringSink stopped;
    stopped.interruptAfter = 1;
    const auto interrupted =
        ExtractNtfsFile(source, geometry, result.mftRuns, {30, sector, 7 * 1024}, stopped);
    EXPECT_EQ(interrupted.end, volume::ExtractEnd::Interrupted);
    EXPECT_EQ(stopped.data.size(), 0u);
}

TEST_F(MemoryVolume, DataSplitOverExtensionRecordsIsJoinedInVcnOrder) {
    putCluster(200, std::string(1024, '1'));
    putCluster(300, std::string(1024, '2'));
    putCluster(400, std::string(1024, '3'));
    // The list names the extents out of order, one twice, and itself.
    std::vector<unsigned char> list;
    auto entry = [&](std::uint32_t type, std::uint64_t vcn, std::uint32_t record) {
        std::vector<unsigned char> e(0x20, 0);
        put32(&e[0], type);
        put16(&e[4], 0x20);
        put64(&e[8], vcn);
        put32(&e[0x10], record);
        list.insert(list.end(), e.begin(), e.end());
    };
    entry(0x20, 0, 24);
    entry(0x30, 0, 24);
    entry(0x80, 2, 26);
    entry(0x80, 0, 25);
    entry(0x80, 1, 27);
    entry(0x80, 2, 26);
    RecordBuilder base(1);
    base.resident(kAttributeList, list).resident(kFileName, fileNameValue(5, u"split.bin"));
    put(24, base);
    RecordBuilder first(1, 24), second(1, 24), third(1, 24);
    first.nonResident(kData, {0x21, 1, 200, 0, 0}, 3 * 1024 - 100, 0);
    second.nonResident(kData, {0x21, 1, 0x90, 0x01, 0}, 0, 2);
    third.nonResident(kData, {0x21, 1, 0x2C, 0x01, 0}, 0, 1);
    put(25, first);
    put(26, second);
    put(27, third);

    const NtfsSearchResult result = searchAll();
    const auto files = fileRows();
    ASSERT_EQ(files.count(24), 1u);
    EXPECT_EQ(files.count(25), 0u); // extension records are no files of their own
    EXPECT_EQ(tables.fileTable.number(1, model::folder_col::Size), 3u * 1024 - 100);
    StringSink sink;
    const auto report =
        ExtractNtfsFile(source, geometry, result.mftRuns,
                        {24, result.mftRuns.recordToSector(24), 3 * 1024 - 100}, sink);
    EXPECT_EQ(report.end, volume::ExtractEnd::Complete) << report.why;
    EXPECT_EQ(sink.data,
              std::string(1024, '1') + std::string(1024, '2') + std::string(1024 - 100, '3'));
}

TEST_F(MemoryVolume, LongNonLatinNamesAreListedWhole) {
    const std::u16string name = std::u16string(250, u'Д') + u".txt";
    RecordBuilder file(1);
    file.resident(kFileName, fileNameValue(5, name)).resident(kData, {'x'});
    put(20, file);
    NtfsSearchResult result = searchAll();
    NtfsEngine engine(source, geometry, std::move(result.mftRuns), tables.fileTable);
    std::vector<std::string> names;
    engine.listFiles(5, false, [&](const volume::FolderFile& f) {
        names.push_back(f.name);
        return true;
    });
    std::string expected;
    for (int i = 0; i < 250; ++i)
        expected += "Д";
    ASSERT_EQ(names.size(), 1u); // $MFT (record 0) is not listed
    EXPECT_EQ(names[0], expected + ".txt");
}

TEST_F(MemoryVolume, AStopKeepsTheRowsWrittenAndTheLostRow) {
    RecordBuilder ok(1);
    ok.resident(kFileName, fileNameValue(5, u"ok.txt")).resident(kData, {'h', 'i'});
    put(20, ok);
    std::stop_source stop;
    stop.request_stop();
    volume::NoProgress progress;
    const NtfsSearchResult result = RunNtfsStandardSearch(
        source, geometry, tables.folderTable, tables.fileTable, progress, stop.get_token());
    EXPECT_TRUE(result.walk.stopped);
    EXPECT_EQ(tables.folderTable.rowCount(), 1);
    EXPECT_EQ(tables.folderTable.cell(0, model::folder_col::Name), "Lost");
}

TEST_F(MemoryVolume, UnreadableSectorsAreReportedAndEncryptedDataIsSavedAsStored) {
    putCluster(100, std::string(1024, 'e'));
    putCluster(101, std::string(1024, 'f'));
    RecordBuilder file(1);
    file.resident(kFileName, fileNameValue(5, u"secret.bin"))
        .nonResident(kData, {0x11, 2, 100, 0}, 2048, 0, kEncrypted);
    put(20, file);
    source.badSectors.insert(203); // second half of cluster 101
    const NtfsSearchResult result = searchAll();
    StringSink sink;
    const auto report = ExtractNtfsFile(source, geometry, result.mftRuns,
                                        {20, result.mftRuns.recordToSector(20), 2048}, sink);
    EXPECT_EQ(report.end, volume::ExtractEnd::Complete);
    EXPECT_TRUE(report.notDecoded);
    EXPECT_EQ(report.unreadableBytes, 512u);
    EXPECT_EQ(sink.firstUnreadable, 1536u);
    EXPECT_EQ(sink.data, std::string(1024, 'e') + std::string(512, 'f') + std::string(512, '\0'));
}

TEST_F(MemoryVolume, DamagedCompressionIsReportedNotDecoded) {
    // One compression unit of 16 clusters: 1 allocated, 15 sparse; its chunk points
    // before its own start.
    putCluster(100, std::string("\x02\xB0\x01\x00\x70", 5));
    RecordBuilder file(1);
    file.resident(kFileName, fileNameValue(5, u"packed.bin"))
        .nonResident(kData, {0x11, 1, 100, 0x01, 15, 0}, 3000, 0, kCompressed, 4);
    put(20, file);
    const NtfsSearchResult result = searchAll();
    StringSink sink;
    const auto report = ExtractNtfsFile(source, geometry, result.mftRuns,
                                        {20, result.mftRuns.recordToSector(20), 3000}, sink);
    EXPECT_TRUE(report.notDecoded);
    EXPECT_EQ(sink.data.size(), 3000u);
}

} // namespace
} // namespace qr::ntfs
