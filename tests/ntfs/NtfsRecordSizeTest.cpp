// Record sizes from the boot sector: the size codes, the refusal of absurd or
// contradicting ones, and records of 4096 bytes read whole by the MFT walk even where
// one straddles two runs of the MFT.
#include "model/RecordTable.h"
#include "ntfs/Attribute.h"
#include "ntfs/MftWalk.h"
#include "ntfs/NtfsValidation.h"
#include "ntfs/RecordSize.h"
#include "support/MemorySource.h"
#include "volume/SearchProgress.h"
#include "volume/VolumeParams.h"

#include "NtfsRecordBuilder.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace qr::ntfs {
namespace {

using testing::fileNameValue;
using testing::put16;
using testing::put32;
using testing::put64;

TEST(NtfsRecordSize, CodesCountClustersOrGiveAPowerOfTwo) {
    EXPECT_EQ(RecordBytesFromCode(0xF6, 4096), 1024u); // -10
    EXPECT_EQ(RecordBytesFromCode(0xF4, 512), 4096u);  // -12, whatever the cluster
    EXPECT_EQ(RecordBytesFromCode(0xF7, 4096), 512u);
    EXPECT_EQ(RecordBytesFromCode(0xF0, 4096), 65536u);
    EXPECT_EQ(RecordBytesFromCode(1, 4096), 4096u);
    EXPECT_EQ(RecordBytesFromCode(2, 1024), 2048u);
    // Nothing for 0, a size beyond 64 KiB or below 512 bytes, no power of two, a
    // shift past any size.
    EXPECT_FALSE(RecordBytesFromCode(0, 4096));
    EXPECT_FALSE(RecordBytesFromCode(0xEF, 4096)); // 128 KiB
    EXPECT_FALSE(RecordBytesFromCode(0xF8, 4096)); // 256 bytes
    EXPECT_FALSE(RecordBytesFromCode(1, 131072));
    EXPECT_FALSE(RecordBytesFromCode(3, 4096));
    EXPECT_FALSE(RecordBytesFromCode(0x80, 4096));
    EXPECT_FALSE(RecordBytesFromCode(127, std::uint64_t{1} << 40));
    EXPECT_EQ(RecordSectorsOrDefault(8), 8u);
    EXPECT_EQ(RecordSectorsOrDefault(0), 2u);
    EXPECT_EQ(RecordSectorsOrDefault(6), 2u);
    EXPECT_EQ(RecordSectorsOrDefault(std::uint64_t{1} << 40), 2u);
}

// A volume at sector 0 of `sectorBytes`-byte sectors, one sector per cluster: its boot
// sector with the file-record code, and an MFT (cluster 4) and mirror (cluster 8) whose
// first records claim `claimed` bytes.
test::MemorySource volumeWithCode(std::uint16_t sectorBytes, std::uint8_t code,
                                  std::uint32_t claimed) {
    test::MemorySource source(std::vector<unsigned char>(std::size_t{64} * sectorBytes, 0));
    unsigned char* boot = source.bytes.data();
    std::memcpy(boot + 3, "NTFS    ", 8);
    put16(boot + 0x0B, sectorBytes);
    boot[0x0D] = 1;
    put64(boot + 0x28, 63);
    put64(boot + 0x30, 4);
    put64(boot + 0x38, 8);
    boot[0x40] = code;
    boot[0x44] = 0xF4;
    boot[510] = 0x55;
    boot[511] = 0xAA;
    for (const std::size_t cluster : {4, 8}) {
        unsigned char* record = source.bytes.data() + cluster * sectorBytes;
        std::memcpy(record, "FILE", 4);
        put32(record + 0x1C, claimed);
    }
    return source;
}

int validate(test::MemorySource& source, volume::VolumeParams& p, std::string& why) {
    p.partitionStart = 0;
    p.partitionEnd = source.bytes.size() / 512 - 1;
    return ValidateNtfsVolume(&source, p, &why);
}

TEST(NtfsRecordSize, TheBootSectorsRecordSizeIsTakenOrClearlyRefused) {
    volume::VolumeParams p;
    std::string why;
    auto four = volumeWithCode(4096, 1, 4096);
    ASSERT_EQ(validate(four, p, why), 1) << why;
    EXPECT_EQ(p.mftRecordSectors, 8u);
    EXPECT_EQ(p.indexRecordSectors, 8u);
    EXPECT_EQ(p.sectorsPerCluster, 8u);
    EXPECT_EQ(p.mftStart, 32u);
    // Records of 1024 bytes on 4096-byte sectors: four to a sector.
    auto shared = volumeWithCode(4096, 0xF6, 1024);
    ASSERT_EQ(validate(shared, p, why), 1) << why;
    EXPECT_EQ(p.mftRecordSectors, 2u);

    for (const std::uint8_t absurd : {0x00, 0x03, 0x80, 0xE0, 0xF8}) {
        auto bad = volumeWithCode(512, absurd, 1024);
        EXPECT_EQ(validate(bad, p, why), 0) << int{absurd};
        EXPECT_NE(why.find("a file record size of a power of two from 512 to 65536 bytes"),
                  std::string::npos)
            << why;
    }
    // A boot sector whose size the MFT's own records contradict.
    auto contradicted = volumeWithCode(4096, 0xF6, 4096);
    EXPECT_EQ(validate(contradicted, p, why), 0);
    EXPECT_EQ(why, "the boot sector gives file records of 1024 bytes, the MFT's first record 4096");
}

// A file record of 4096 bytes whose name lies past its first 1024 bytes, behind a
// padding attribute.
std::vector<unsigned char> largeRecord(std::uint32_t number, const std::u16string& name) {
    std::vector<unsigned char> r(4096, 0);
    std::memcpy(r.data(), "FILE", 4);
    put16(&r[4], 0x30);
    put16(&r[6], 9);
    put16(&r[0x14], 0x48);
    r[0x16] = 1;
    put32(&r[0x1C], 4096);
    put32(&r[0x2C], number);
    std::size_t at = 0x48;
    put32(&r[at], 0x40); // an object id padded out to 1200 bytes
    put32(&r[at + 4], 1200);
    at += 1200;
    const std::vector<unsigned char> value = fileNameValue(5, name);
    const std::uint32_t length = static_cast<std::uint32_t>((0x18 + value.size() + 7) & ~7u);
    put32(&r[at], kFileName);
    put32(&r[at + 4], length);
    put32(&r[at + 0x10], static_cast<std::uint32_t>(value.size()));
    put16(&r[at + 0x14], 0x18);
    std::copy(value.begin(), value.end(), &r[at + 0x18]);
    at += length;
    put32(&r[at], 0xFFFFFFFF);
    // The sector ends go into the update sequence array, as on disk.
    put16(&r[0x30], 0x0202);
    for (std::size_t i = 0; i < 8; ++i) {
        std::memcpy(&r[0x32 + 2 * i], &r[510 + 512 * i], 2);
        put16(&r[510 + 512 * i], 0x0202);
    }
    return r;
}

TEST(NtfsRecordSize, TheWalkReadsWholeRecordsOfFourKibibytesAcrossRunEnds) {
    test::MemorySource source(std::vector<unsigned char>(400 * 512, 0));
    const auto place = [&](std::uint64_t sector, const std::vector<unsigned char>& bytes,
                           std::size_t from, std::size_t count) {
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                  bytes.begin() + static_cast<std::ptrdiff_t>(from + count),
                  source.bytes.begin() + static_cast<std::ptrdiff_t>(sector * 512));
    };
    // Records 20 and 21; record 21's first three sectors end the first run, its other
    // five open the second.
    MftRunList runs;
    runs.setRecordSectors(8);
    runs.append({100, 20 * 8 + 8 + 3});
    runs.append({300, 5 + 8});
    place(100 + 20 * 8, largeRecord(20, u"first.txt"), 0, 4096);
    const auto second = largeRecord(21, u"second.txt");
    place(100 + 21 * 8, second, 0, 3 * 512);
    place(300, second, 3 * 512, 5 * 512);
    place(305, largeRecord(22, u"third.txt"), 0, 4096);
    const NtfsGeometry geometry{0, 400, 8, 100, 8};

    model::RecordTables tables;
    volume::NoProgress progress;
    const MftWalkResult walk =
        WalkMftStandard(source, geometry, runs, tables.folderTable, tables.fileTable, progress);
    EXPECT_EQ(walk.records, 23u);
    ASSERT_EQ(tables.fileTable.rowCount(), 3);
    using namespace model::folder_col;
    EXPECT_EQ(tables.fileTable.cell(0, Name), "first.txt");
    EXPECT_EQ(tables.fileTable.cell(1, Name), "second.txt");
    EXPECT_EQ(tables.fileTable.number(1, Sector), 100u + 21 * 8);
    EXPECT_EQ(tables.fileTable.cell(2, Name), "third.txt");
    EXPECT_EQ(tables.fileTable.number(2, Self), 22u);

    // Read by number, the straddling record comes whole too.
    RecordBytes read;
    ASSERT_TRUE(ReadMftRecord(source, geometry, runs, 21, read));
    ASSERT_EQ(read.size(), 4096u);
    EXPECT_TRUE(std::equal(read.begin() + 0x48 + 1200, read.begin() + 0x48 + 1300,
                           second.begin() + 0x48 + 1200));
}

} // namespace
} // namespace qr::ntfs
