// Byte-array tests of the NTFS decoders: fixups, the attribute walk and its lookups,
// names, attribute lists, run lists, the MFT's run search and LZNT1.
#include "NtfsRecordBuilder.h"
#include "ntfs/Attribute.h"
#include "ntfs/AttributeList.h"
#include "ntfs/AttributeLookups.h"
#include "ntfs/Fixups.h"
#include "ntfs/Lznt1.h"
#include "ntfs/MftRunList.h"
#include "ntfs/RunList.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

namespace qr::ntfs {
namespace {

using namespace testing;

disk::ByteView viewOf(const RecordBytes& r) {
    return {r.data(), r.size()};
}
disk::ByteView viewOf(const std::vector<unsigned char>& v) {
    return {v.data(), v.size()};
}

TEST(NtfsFixups, RestoreEverySectorEndAndRefuseArraysOutsideTheRecord) {
    RecordBuilder builder;
    builder.raw()[510] = 0xAB;
    builder.raw()[511] = 0xCD;
    builder.raw()[1022] = 0x12;
    builder.raw()[1023] = 0x34;
    RecordBytes record = builder.disk();
    EXPECT_EQ(record[510], 0x01);
    EXPECT_TRUE(ApplyFixups(record));
    EXPECT_EQ(record[510], 0xAB);
    EXPECT_EQ(record[511], 0xCD);
    EXPECT_EQ(record[1022], 0x12);
    EXPECT_EQ(record[1023], 0x34);

    // An 8-sector index record gets all eight sector ends back.
    std::vector<unsigned char> index(4096, 0);
    put16(&index[4], 0x28);
    put16(&index[6], 9);
    for (int i = 0; i < 8; ++i)
        put16(&index[0x2A + 2 * i], static_cast<std::uint16_t>(0x100 + i));
    EXPECT_TRUE(ApplyFixups(index));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(index[510 + 512 * i + 1], 0x01) << i;

    RecordBytes hostile = builder.disk();
    put16(&hostile[4], 1020); // array runs past the record
    const RecordBytes before = hostile;
    EXPECT_FALSE(ApplyFixups(hostile));
    EXPECT_EQ(hostile, before);
    put16(&hostile[4], 0x30);
    put16(&hostile[6], 0xFFFF); // more entries than the record holds
    const RecordBytes tooMany = hostile;
    EXPECT_FALSE(ApplyFixups(hostile));
    EXPECT_EQ(hostile, tooMany);
}

TEST(NtfsRunList, RelativeOffsetsSparseRunsAndDamage) {
    // First run 16 clusters at 100, then -2 (one byte 0xFE), +32672 (0x7FA0),
    // +16 (four bytes), a sparse run of 5, then +1 from the last real run.
    const std::vector<unsigned char> bytes = {0x11, 16,   100,  0x11, 1,    0xFE, 0x21, 1,
                                              0xA0, 0x7F, 0x41, 1,    0x10, 0,    0,    0,
                                              0x01, 5,    0x11, 2,    0x01, 0x00};
    const RunListDecode d = DecodeRunList(viewOf(bytes));
    ASSERT_EQ(d.runs.size(), 6u);
    EXPECT_TRUE(d.complete);
    EXPECT_EQ(d.runs[0].cluster, 100);
    EXPECT_EQ(d.runs[1].cluster, 98);
    EXPECT_EQ(d.runs[2].cluster, 98 + 32672);
    EXPECT_EQ(d.runs[3].cluster, 98 + 32672 + 16);
    EXPECT_TRUE(d.runs[4].sparse());
    EXPECT_EQ(d.runs[4].vcn, 19u);
    EXPECT_EQ(d.runs[4].length, 5u);
    EXPECT_EQ(d.runs[5].cluster, 98 + 32672 + 16 + 1);
    EXPECT_EQ(d.runs[5].vcn, 24u);

    // No end marker: the bytes end the list. A zero-length run adds nothing.
    const std::vector<unsigned char> open = {0x11, 0, 7, 0x11, 3, 9};
    const RunListDecode o = DecodeRunList(viewOf(open));
    EXPECT_FALSE(o.complete);
    ASSERT_EQ(o.runs.size(), 1u);
    EXPECT_EQ(o.runs[0].cluster, 16);

    // A run before cluster 0 and absurd widths end the list as damaged.
    const std::vector<unsigned char> negative = {0x11, 1, 4, 0x11, 1, 0xF0, 0};
    EXPECT_TRUE(DecodeRunList(viewOf(negative)).damaged);
    EXPECT_EQ(DecodeRunList(viewOf(negative)).runs.size(), 1u);
    const std::vector<unsigned char> wide = {0x19, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0};
    EXPECT_TRUE(DecodeRunList(viewOf(wide)).damaged);
}

TEST(NtfsAttributes, WalkStopsAtHostileOffsetsAndLengths) {
    RecordBuilder builder;
    builder.resident(kFileName, fileNameValue(5, u"a.txt"));
    RecordBytes record = builder.disk();
    ApplyFixups(record);
    Attribute a;
    EXPECT_TRUE(FindAttribute(viewOf(record), kFileName, a));

    RecordBytes offsetPast = record;
    put16(&offsetPast[0x14], 1023);
    EXPECT_FALSE(FindAttribute(viewOf(offsetPast), kFileName, a));
    put16(&offsetPast[0x14], 0xFFFF);
    EXPECT_FALSE(FindAttribute(viewOf(offsetPast), kFileName, a));

    RecordBytes lengthPast = record;
    put32(&lengthPast[0x38 + 4], 2000);
    EXPECT_FALSE(FindAttribute(viewOf(lengthPast), kFileName, a));
    put32(&lengthPast[0x38 + 4], 0);
    EXPECT_FALSE(FindAttribute(viewOf(lengthPast), kFileName, a));

    // A name that runs past its value gives no name.
    RecordBytes namePast = record;
    namePast[0x38 + 0x18 + 0x40] = 200;
    EXPECT_FALSE(FindFileName(viewOf(namePast)).has_value());
}

TEST(NtfsAttributes, NamesAreDecodedFromUtf16AndLookedUpByNameSpace) {
    RecordBuilder builder;
    builder.resident(kFileName, fileNameValue(7, u"SHORT~1.TXT", kShortName))
        .resident(kFileName, fileNameValue(7, u"posix \U0001F600 name", kPosixName))
        .resident(kFileName, fileNameValue(7, u"Ελληνικά.txt", kLongName, 1234))
        .resident(kData, {1, 2, 3})
        .resident(kData, {1, 2, 3, 4, 5}, u"stream");
    RecordBytes record = builder.disk();
    ApplyFixups(record);
    const auto name = FindFileName(viewOf(record));
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(name->name, "Ελληνικά.txt");
    EXPECT_EQ(name->parent, 7u);
    EXPECT_EQ(name->created, 1234);
    EXPECT_EQ(FindDataSize(viewOf(record)), 3u);

    // Without a long name the POSIX name (as Linux drivers write) wins over the short.
    RecordBuilder posix;
    posix.resident(kFileName, fileNameValue(7, u"SHORT~1.TXT", kShortName))
        .resident(kFileName, fileNameValue(7, u"posix \U0001F600 name", kPosixName));
    RecordBytes p = posix.disk();
    ApplyFixups(p);
    EXPECT_EQ(FindFileName(viewOf(p))->name, "posix \xF0\x9F\x98\x80 name");

    // A lone surrogate becomes U+FFFD; only a named data stream gives no size.
    RecordBuilder lone;
    lone.resident(kFileName, fileNameValue(5, std::u16string(u"x") + char16_t(0xD800), 3))
        .resident(kData, {9}, u"only");
    RecordBytes l = lone.disk();
    ApplyFixups(l);
    EXPECT_EQ(FindFileName(viewOf(l))->name, "x\xEF\xBF\xBD");
    EXPECT_FALSE(FindDataSize(viewOf(l)).has_value());

    // "$I30" is compared on whole UTF-16 units, not on their low bytes.
    RecordBuilder index;
    index.resident(kIndexRoot, {0}, u"$I30").resident(kIndexRoot, {0}, u"\u0124I30");
    RecordBytes i = index.disk();
    ApplyFixups(i);
    Attribute root;
    ASSERT_TRUE(FindAttribute(viewOf(i), kIndexRoot, root, "$I30"));
    AttributeWalk walk(viewOf(i));
    Attribute first, second;
    ASSERT_TRUE(walk.next(first) && walk.next(second));
    EXPECT_TRUE(first.nameIs("$I30"));
    EXPECT_FALSE(second.nameIs("$I30"));
}

TEST(NtfsAttributes, DirectoryNumberAndFirstIndexClusterFromTheI30Index) {
    // An index root whose first entry's key names parent 77, and an allocation at 300.
    std::vector<unsigned char> root(0x20, 0);
    put32(&root[0x10], 0x10); // first entry 0x10 into the index header
    std::vector<unsigned char> entry(0x10, 0);
    const auto key = fileNameValue(77, u"child");
    entry.insert(entry.end(), key.begin(), key.end());
    root.insert(root.end(), entry.begin(), entry.end());
    RecordBuilder dir(3);
    dir.resident(kIndexRoot, root, u"$I30")
        .nonResident(kIndexAllocation, {0x11, 1, 9, 0}, 4096)
        .nonResident(kIndexAllocation, {0x21, 1, 0x2C, 0x01, 0}, 4096, 0, 0, 0, u"$I30");
    RecordBytes d = dir.disk();
    ApplyFixups(d);
    EXPECT_EQ(FindDirectorySelfNumber(viewOf(d)), 77u);
    EXPECT_EQ(FindDirectoryFirstRun(viewOf(d)), 300u); // the named allocation, not the other

    RecordBuilder named(3);
    std::vector<unsigned char> empty(0x30, 0);
    put32(&empty[0x10], 0x10);
    named.resident(kIndexRoot, empty, u"$I30");
    RecordBytes n = named.disk();
    ApplyFixups(n);
    EXPECT_EQ(FindDirectorySelfNumber(viewOf(n)), 0u); // no entry with a name
    EXPECT_EQ(FindDirectoryFirstRun(viewOf(n)), 0u);   // no index allocation
}

TEST(NtfsAttributes, AttributeListEntriesEndAtDamage) {
    std::vector<unsigned char> list(3 * 0x20, 0);
    for (int i = 0; i < 3; ++i) {
        unsigned char* e = &list[0x20 * i];
        put32(e, 0x80);
        put16(e + 4, 0x20);
        put64(e + 8, static_cast<std::uint64_t>(i) * 10);
        put32(e + 0x10, 40 + i);
    }
    auto entries = DecodeAttributeList(viewOf(list));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].record, 42u);
    EXPECT_EQ(entries[2].lowestVcn, 20u);
    put16(&list[0x20 + 4], 0); // zero-length entry
    EXPECT_EQ(DecodeAttributeList(viewOf(list)).size(), 1u);
    put16(&list[0x20 + 4], 0x200); // runs past the list
    EXPECT_EQ(DecodeAttributeList(viewOf(list)).size(), 1u);
}

TEST(NtfsMftRuns, RecordSectorsAreFoundBySearchingTheRunEnds) {
    MftRunList runs;
    runs.append({100, 8});
    runs.append({500, 4});
    runs.append({0, 4}); // unreadable
    runs.append({901, 6});
    EXPECT_EQ(runs.totalSectors(), 22u);
    EXPECT_EQ(runs.recordCount(), 11u);
    EXPECT_EQ(runs.sectorOf(0), 100u);
    EXPECT_EQ(runs.sectorOf(7), 107u);
    EXPECT_EQ(runs.sectorOf(8), 500u);
    EXPECT_EQ(runs.sectorOf(11), 503u);
    EXPECT_EQ(runs.sectorOf(12), 0u);
    EXPECT_EQ(runs.sectorOf(16), 901u);
    EXPECT_EQ(runs.sectorOf(21), 906u);
    EXPECT_EQ(runs.sectorOf(22), 0u);
    EXPECT_EQ(runs.recordToSector(4), 500u);
    EXPECT_EQ(runs.recordToSector(8), 901u);
    EXPECT_EQ(runs.recordToSector(11), 0u);
}

TEST(NtfsMftRuns, RecordsOfFourKibibytesAreNumberedByTheirOwnSizeAndReadByTheirHead) {
    MftRunList runs;
    runs.setRecordSectors(8);
    runs.append({64, 20}); // two whole records and half of a third
    runs.append({200, 12});
    EXPECT_EQ(runs.recordCount(), 4u);
    EXPECT_EQ(runs.recordToSector(1), 72u);
    EXPECT_EQ(runs.recordToSector(2), 80u);
    EXPECT_EQ(runs.recordToSector(3), 204u);
    runs.setRecordSectors(0); // no record is smaller than 1024 bytes
    EXPECT_EQ(runs.recordSectors(), 2u);
    runs.setRecordSectors(8);

    // Record 3 of 4096 bytes: "FILE" and an update sequence array of nine entries, whose
    // first two hide the ends of the two sectors read.
    test::MemorySource source(std::vector<unsigned char>(300 * 512, 0));
    unsigned char* record = source.bytes.data() + 204 * 512;
    std::memcpy(record, "FILE", 4);
    put16(record + 4, 0x30);
    put16(record + 6, 9);
    put16(record + 0x30, 0x0707);
    put16(record + 0x32, 0xBEEF);
    put16(record + 0x34, 0xCAFE);
    put16(record + 510, 0x0707);
    put16(record + 1022, 0x0707);
    const NtfsGeometry geometry{0, 300, 8, 64, 8};
    RecordBytes read{};
    ASSERT_TRUE(ReadMftRecord(source, geometry, runs, 3, read));
    EXPECT_EQ(read[510] | read[511] << 8, 0xBEEF);
    EXPECT_EQ(read[1022] | read[1023] << 8, 0xCAFE);
    // A record whose head lies behind the volume is not read.
    const NtfsGeometry small{0, 205, 8, 64, 8};
    EXPECT_FALSE(ReadMftRecord(source, small, runs, 3, read));
}

TEST(NtfsLznt1, ChunksOfLiteralsBackReferencesAndStoredBytes) {
    // "abc" then a back-reference of 9 bytes at distance 3.
    const std::vector<unsigned char> compressed = {0x05, 0xB0, 0x08, 'a',  'b',
                                                   'c',  0x06, 0x20, 0x00, 0x00};
    std::vector<unsigned char> out(64, 0xEE);
    const Lznt1Result r = DecompressLznt1(viewOf(compressed), out);
    EXPECT_FALSE(r.damaged);
    ASSERT_EQ(r.produced, 12u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 12), "abcabcabcabc");

    // A stored chunk, and a short compressed chunk followed by another (padded to 4096).
    std::vector<unsigned char> two = {0x02, 0xB0, 0x00, 'x', 'y', 0x02, 0x30, 'p', 'q', 'r'};
    std::vector<unsigned char> big(8192, 0xEE);
    const Lznt1Result t = DecompressLznt1(viewOf(two), big);
    EXPECT_EQ(t.produced, 4096u + 3u);
    EXPECT_EQ(big[0], 'x');
    EXPECT_EQ(big[2], 0);
    EXPECT_EQ(big[4096], 'p');

    // A back-reference before the chunk's start is damage, not a read out of bounds.
    const std::vector<unsigned char> bad = {0x02, 0xB0, 0x01, 0x00, 0x70};
    EXPECT_TRUE(DecompressLznt1(viewOf(bad), out).damaged);
    // A chunk longer than the input.
    const std::vector<unsigned char> cut = {0xFF, 0xBF, 0x00, 'a'};
    EXPECT_TRUE(DecompressLznt1(viewOf(cut), out).damaged);
}

} // namespace
} // namespace qr::ntfs
