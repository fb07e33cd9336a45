// The ".DMS" byte layout: logs written by the code against bytes assembled from the
// field table, hand-made logs read back, round trips, and damaged or foreign files
// refused as a whole.
#include "output/RecoveryLogFormat.h"

#include "LogBytes.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace qr::output {
namespace {

using test::LogBytes;

// The snapshot that LogBytes::head() describes, for a file system `fs`.
RecoveryLogSnapshot headSnapshot(const std::string& model, const std::string& fs) {
    RecoveryLogSnapshot s;
    s.diskModel = model;
    s.searchMode = 2;
    s.diskNumber = 3;
    s.searchDiskNumber = 4;
    s.partitionIndex = 5;
    s.partitionType = fs;
    s.modeCaption = "Standard Search";
    s.partitionStart = 0x1122334455667788ull;
    s.partitionEnd = 0x99AABBCCDDEEFF00ull;
    s.validated = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    s.working = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112};
    s.fileSystemName = fs;
    return s;
}

RecoveryLogSnapshot fatSnapshot() {
    RecoveryLogSnapshot s = headSnapshot("SanDisk Cruzer", "FAT32");
    s.folders = {{"Lost", 268435455, 0, 0, 0, false},
                 {"PHOTOS", 3, 0, 13192, 40000, false},
                 {"Old", 9, 3, 0xFFFF, 0, true}};
    return s;
}

std::vector<unsigned char> fatBytes() {
    LogBytes b;
    b.head("SanDisk Cruzer", "FAT32").u32(3);
    b.folder("Lost", 268435455, 0, 0, 0, 0);
    b.folder("PHOTOS", 3, 0, 13192, 40000, 0);
    b.folder("Old", 9, 3, 0xFFFF, 0, 1);
    return b.bytes;
}

RecoveryLogSnapshot ntfsSnapshot() {
    RecoveryLogSnapshot s = headSnapshot("WDC WD5000", "NTFS");
    s.folders = {{"Users", 40, 5, 132000000000000000ull, 0, false}};
    s.files = {{"a.txt", 600, 41, 40, 132000000000000001ll, 12, 0},
               {"b.doc", 4294967295u, 42, 40, -1, 4294967295u, 1}};
    return s;
}

std::vector<unsigned char> ntfsBytes() {
    LogBytes b;
    b.head("WDC WD5000", "NTFS").u32(1);
    b.folder("Users", 40, 5, 132000000000000000ull, 0, 0);
    b.u32(2);
    b.file("a.txt", 600, 41, 40, 132000000000000001ull, 12, 0);
    b.file("b.doc", 4294967295u, 42, 40, 0xFFFFFFFFFFFFFFFFull, 4294967295u, 1);
    return b.bytes;
}

bool refused(const std::vector<unsigned char>& bytes) {
    return !ParseRecoveryLog(bytes).snapshot.has_value();
}

TEST(RecoveryLogFormat, WrittenLogsMatchTheFieldTableByteForByte) {
    EXPECT_EQ(EncodeRecoveryLog(fatSnapshot()), fatBytes());
    EXPECT_EQ(EncodeRecoveryLog(ntfsSnapshot()), ntfsBytes());
    // The fixed part is 32 + 4 + M + 4 + (1 + 5) + (1 + 15) + 16 + 96 + (1 + 5) bytes.
    EXPECT_EQ(fatBytes().size(),
              32 + 4 + 14 + 4 + 6 + 16 + 16 + 96 + 6 + 4 + (4 + 25) * 3 + 4 + 6 + 3);
}

TEST(RecoveryLogFormat, HandAssembledLogsLoad) {
    const LogParseResult fat = ParseRecoveryLog(fatBytes());
    ASSERT_TRUE(fat.snapshot) << fat.problem;
    EXPECT_EQ(*fat.snapshot, fatSnapshot());
    const LogParseResult ntfs = ParseRecoveryLog(ntfsBytes());
    ASSERT_TRUE(ntfs.snapshot) << ntfs.problem;
    EXPECT_EQ(*ntfs.snapshot, ntfsSnapshot());
    EXPECT_EQ(ReadLogDiskModel(ntfsBytes()), "WDC WD5000");
}

TEST(RecoveryLogFormat, FileRecordsOnlyFollowAnNtfsName) {
    // A FAT log has no file count: the files of a snapshot are not written, and a FAT
    // log with a file count after its folders has bytes too many.
    RecoveryLogSnapshot fat = fatSnapshot();
    fat.files = {{"x", 1, 2, 3, 4, 5, 0}};
    EXPECT_EQ(EncodeRecoveryLog(fat), fatBytes());
    std::vector<unsigned char> extra = fatBytes();
    LogBytes zero;
    zero.u32(0);
    extra.insert(extra.end(), zero.bytes.begin(), zero.bytes.end());
    EXPECT_TRUE(refused(extra));

    // Empty lists: no folders, and an NTFS log with no files.
    LogBytes empty;
    empty.head("", "NTFS").u32(0).u32(0);
    const LogParseResult parsed = ParseRecoveryLog(empty.bytes);
    ASSERT_TRUE(parsed.snapshot) << parsed.problem;
    EXPECT_TRUE(parsed.snapshot->folders.empty());
    EXPECT_TRUE(parsed.snapshot->files.empty());
    EXPECT_EQ(EncodeRecoveryLog(*parsed.snapshot), empty.bytes);
}

TEST(RecoveryLogFormat, RoundTripKeepsBytesThatAreNotText) {
    RecoveryLogSnapshot s = ntfsSnapshot();
    s.diskModel = std::string("Card\0\xff\x80", 7);
    s.folders.push_back(
        {std::string("\xe9t\xe9\0/..\\", 8), 0xFFFFFFFFu, 0xFFFFFFFEu, ~0ull, ~0ull, true});
    s.files.push_back({std::string(259, '\xfe'), 0, 0, 0, INT64_MIN, 0, 0xFFFFFFFFu});
    s.folders.push_back({std::string(259, 'n'), 1, 2, 3, 4, false});
    const LogParseResult back = ParseRecoveryLog(EncodeRecoveryLog(s));
    ASSERT_TRUE(back.snapshot) << back.problem;
    EXPECT_EQ(*back.snapshot, s);
}

TEST(RecoveryLogFormat, WriterCutsStringsToTheirFieldsAtCharacterBoundaries) {
    RecoveryLogSnapshot s = ntfsSnapshot();
    // 129 two-byte characters: 258 bytes fit, the 259th would split a character.
    std::string wide;
    for (int i = 0; i < 140; ++i)
        wide += "\xc3\xa9";
    s.diskModel = wide;
    s.folders[0].name = std::string(300, 'f');
    s.files[0].name = std::string(1000, 'g');
    s.modeCaption = std::string(300, 'm');
    const LogParseResult back = ParseRecoveryLog(EncodeRecoveryLog(s));
    ASSERT_TRUE(back.snapshot) << back.problem;
    EXPECT_EQ(back.snapshot->diskModel, wide.substr(0, 258));
    EXPECT_EQ(back.snapshot->folders[0].name, std::string(259, 'f'));
    EXPECT_EQ(back.snapshot->files[0].name, std::string(259, 'g'));
    EXPECT_EQ(back.snapshot->modeCaption, std::string(255, 'm'));
    // Bytes that are not UTF-8 are cut at the limit itself.
    EXPECT_EQ(CutToLimit(std::string(300, '\x80'), 259).size(), 259u);
}

TEST(RecoveryLogFormat, ALogCutAtAnyByteOrWithBytesBehindItIsRefused) {
    for (const std::vector<unsigned char>& whole : {fatBytes(), ntfsBytes()}) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            const std::vector<unsigned char> cut(whole.begin(), whole.begin() + size);
            EXPECT_TRUE(refused(cut)) << "cut at " << size;
        }
        std::vector<unsigned char> longer = whole;
        longer.push_back(0);
        EXPECT_TRUE(refused(longer));
    }
}

TEST(RecoveryLogFormat, LengthsAboveTheStringLimitAreRefused) {
    LogBytes model;
    model.text("Quarrixdale Recovery-Memory Card").u32(260).text(std::string(260, 'm'));
    EXPECT_FALSE(ReadLogDiskModel(model.bytes));
    model.u8(1).u8(0).u8(0).u8(0);
    EXPECT_TRUE(refused(model.bytes));

    LogBytes folder;
    folder.head("m", "FAT16").u32(1).u32(25 + 260).text(std::string(260, 'n'));
    folder.u32(2).u32(0).u64(0).u64(0).u8(0);
    EXPECT_TRUE(refused(folder.bytes));

    LogBytes shortRecord; // a length that does not cover the record's own fields
    shortRecord.head("m", "FAT16").u32(1).u32(24).text(std::string(24, 0));
    EXPECT_TRUE(refused(shortRecord.bytes));

    LogBytes file;
    file.head("m", "NTFS").u32(0).u32(1).file(std::string(260, 'f'), 1, 2, 3, 4, 5, 0);
    EXPECT_TRUE(refused(file.bytes));

    LogBytes limit; // 259 is the longest allowed
    limit.head(std::string(259, 'm'), "NTFS").u32(1).folder(std::string(259, 'n'), 1, 5, 0, 0, 0);
    limit.u32(1).file(std::string(259, 'f'), 1, 2, 3, 4, 5, 0);
    EXPECT_FALSE(refused(limit.bytes));
}

TEST(RecoveryLogFormat, HugeCountsEndWithTheFileWithoutAllocatingForThem) {
    LogBytes folders;
    folders.head("m", "FAT32").u32(0xFFFFFFFFu).folder("a", 2, 0, 0, 0, 0);
    EXPECT_TRUE(refused(folders.bytes));

    LogBytes files;
    files.head("m", "NTFS").u32(0).u32(4000000000u).file("a", 1, 2, 3, 4, 5, 0);
    EXPECT_TRUE(refused(files.bytes));

    LogBytes recordLength; // a record length of four billion
    recordLength.head("m", "FAT32").u32(1).u32(0xFFFFFFF0u).text(std::string(64, 'x'));
    EXPECT_TRUE(refused(recordLength.bytes));

    LogBytes modelLength;
    modelLength.text("Quarrixdale Recovery-Memory Card").u32(0xFFFFFFFFu).text("abc");
    EXPECT_FALSE(ReadLogDiskModel(modelLength.bytes));
    EXPECT_TRUE(refused(modelLength.bytes));
}

TEST(RecoveryLogFormat, FilesOfOtherProgramsAreRefused) {
    // This test program itself, a text file and blocks of one byte value.
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::vector<unsigned char> program((std::istreambuf_iterator<char>(self)), {});
    program.resize(std::min<std::size_t>(program.size(), 1 << 20));
    EXPECT_TRUE(refused(program));
    const std::string text = "Quarrixdale Recovery-Memory Card\nDisk Number : 0\nModel Number "
                             ": SanDisk\nPartition Number : 1\n";
    EXPECT_TRUE(refused({text.begin(), text.end()}));
    for (unsigned char fill : {0x00, 0x01, 0x7F, 0xFF})
        for (std::size_t size : {32u, 200u, 4096u})
            EXPECT_TRUE(refused(std::vector<unsigned char>(size, fill)))
                << int(fill) << " x " << size;
}

} // namespace
} // namespace qr::output
