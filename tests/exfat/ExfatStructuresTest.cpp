// The exFAT decoders, chain walk, walk and extraction on hand-built bytes with hostile
// values: every bad length, count, cluster and chain is bounded.
#include "TinyVolume.h"
#include "exfat/DirectoryWalk.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatExtract.h"
#include "exfat/ExfatSearch.h"
#include "exfat/HeapSweep.h"
#include "model/RecordTable.h"
#include "support/StringSink.h"
#include "volume/BootSectorCheck.h"

#include <gtest/gtest.h>

namespace qr::exfat {
namespace {

using namespace test;
using qr::test::StringSink;

disk::ByteView view(const std::vector<unsigned char>& bytes) {
    return {bytes.data(), bytes.size()};
}

TEST(ExfatBootRegion, RefusesEachHostileFieldAndSkipsTheVolatileBytesInTheChecksum) {
    std::string why;
    ASSERT_TRUE(exfat::DecodeExfatBootSector(view(BootSectorBytes()), kVolumeSectors, &why)) << why;
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        int width;
    };
    for (const Case& c :
         {Case{"name", 3, 'N', 1}, Case{"signature", 510, 0, 2},
          Case{"old parameter block", 20, 1, 1}, Case{"sector shift", 108, 13, 1},
          Case{"cluster shift", 109, 17, 1}, Case{"FAT count", 110, 3, 1},
          Case{"FAT inside the boot region", 80, 4, 4}, Case{"FAT past the volume", 80, 300, 4},
          Case{"FAT length", 84, 0, 4}, Case{"heap inside the FAT", 88, 30, 4},
          Case{"heap past the volume", 88, 256, 4}, Case{"clusters beyond the FAT", 92, 1100, 4},
          Case{"no clusters", 92, 0, 4}, Case{"root before the heap", 96, 1, 4},
          Case{"root past the heap", 96, 202, 4}}) {
        auto bytes = BootSectorBytes();
        for (int i = 0; i < c.width; ++i)
            bytes[c.at + i] = static_cast<unsigned char>(c.value >> (8 * i));
        EXPECT_FALSE(exfat::DecodeExfatBootSector(view(bytes), kVolumeSectors)) << c.what;
    }
    // A volume that claims more sectors than its partition keeps its clusters inside it.
    auto longer = BootSectorBytes();
    longer[72 + 1] = 0x10; // 4096 + 256 sectors
    const auto boot = exfat::DecodeExfatBootSector(view(longer), kVolumeSectors);
    ASSERT_TRUE(boot);
    const Geometry g = exfat::ExfatGeometryOf(*boot, 0, 100);
    EXPECT_LE(g.heapStart + std::uint64_t{g.clusterCount} * g.sectorsPerCluster, 100u);

    auto region = BootRegionBytes(BootSectorBytes());
    EXPECT_TRUE(exfat::ExfatBootChecksumHolds(view(region), 512));
    for (std::size_t volatileByte : {106, 107, 112}) {
        auto changed = region;
        changed[volatileByte] ^= 0xFF;
        EXPECT_TRUE(exfat::ExfatBootChecksumHolds(view(changed), 512)) << volatileByte;
    }
    region[5 * 512 + 9] = 1;
    EXPECT_FALSE(exfat::ExfatBootChecksumHolds(view(region), 512));
    region.resize(11 * 512 + 100); // the checksum sector cut short
    EXPECT_FALSE(exfat::ExfatBootChecksumHolds(view(region), 512));
}

TEST(ExfatBootRegion, APartitionSearchRecognisesTheBootSectorWithinTheDisk) {
    auto bytes = BootSectorBytes();
    auto volume = volume::RecogniseBootSector(view(bytes), 2048, 4096);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->kind, volume::FileSystemKind::ExFat);
    EXPECT_EQ(volume->sectors, kVolumeSectors);
    EXPECT_EQ(volume->systemSectors, 32u);
    EXPECT_FALSE(volume::RecogniseBootSector(view(bytes), 4000, 4096)); // past the disk's end
    for (int i = 72; i < 80; ++i)
        bytes[i] = 0xFF; // a length no disk has
    EXPECT_FALSE(volume::RecogniseBootSector(view(bytes), 0, 0));
}

TEST(ExfatBootRegion, FallsBackToTheBackupAndRefusesWhenBothFail) {
    TinyVolume tiny;
    auto result = exfat::ReadExfatBootRegion(tiny.source, 0, kVolumeSectors);
    ASSERT_TRUE(result.geometry) << result.why;
    EXPECT_FALSE(result.fromBackup);
    EXPECT_EQ(result.geometry->heapStart, 32u);
    EXPECT_EQ(result.geometry->rootCluster, 2u);
    tiny.source.bytes[3 * 512] ^= 1; // main checksum broken
    result = exfat::ReadExfatBootRegion(tiny.source, 0, kVolumeSectors);
    ASSERT_TRUE(result.geometry);
    EXPECT_TRUE(result.fromBackup);
    tiny.source.bytes[12 * 512 + 3] = 'X'; // backup no longer named exFAT
    result = exfat::ReadExfatBootRegion(tiny.source, 0, kVolumeSectors);
    EXPECT_FALSE(result.geometry);
    EXPECT_FALSE(result.why.empty());
    tiny.source.readsBeforeLoss = 0;
    EXPECT_FALSE(exfat::ReadExfatBootRegion(tiny.source, 0, kVolumeSectors).geometry);
}

TEST(ExfatEntrySet, DecodesNamesWithSurrogatesAndDeletedSets) {
    SetSpec spec;
    spec.name = u"caf\u00e9_\U0001F600_and_a_name_longer_than_one_entry.txt";
    spec.firstCluster = 7;
    spec.dataLength = 5000;
    spec.validLength = 4000;
    auto bytes = EntrySetBytes(spec);
    SetProblem problem;
    auto set = DecodeEntrySet(view(bytes), &problem);
    ASSERT_TRUE(set) << static_cast<int>(problem);
    EXPECT_EQ(set->name, "caf\xc3\xa9_\xf0\x9f\x98\x80_and_a_name_longer_than_one_entry.txt");
    EXPECT_EQ(set->firstCluster, 7u);
    EXPECT_EQ(set->dataLength, 5000u);
    EXPECT_EQ(set->validLength, 4000u);
    EXPECT_EQ(set->entries, bytes.size() / 32);
    EXPECT_FALSE(set->deleted);

    spec.deleted = true;
    set = DecodeEntrySet(view(EntrySetBytes(spec)));
    ASSERT_TRUE(set);
    EXPECT_TRUE(set->deleted);

    // A lone high surrogate becomes U+FFFD instead of broken UTF-8.
    spec.name = std::u16string(u"a") + char16_t(0xD83D) + u"b";
    set = DecodeEntrySet(view(EntrySetBytes(spec)));
    ASSERT_TRUE(set);
    EXPECT_EQ(set->name, "a\xef\xbf\xbd"
                         "b");
}

TEST(ExfatEntrySet, RefusesHostileSetsWithTheirReason) {
    SetSpec spec;
    spec.name = u"twenty_characters_xx"; // two name entries
    const auto good = EntrySetBytes(spec);
    const auto problemOf = [](std::vector<unsigned char> bytes) {
        SetProblem problem = SetProblem::None;
        EXPECT_FALSE(DecodeEntrySet(view(bytes), &problem));
        return problem;
    };
    auto bytes = good;
    bytes[40] ^= 1; // a length byte: the checksum no longer holds
    EXPECT_EQ(problemOf(bytes), SetProblem::BadChecksum);
    bytes = good;
    bytes[1] = 1;
    EXPECT_EQ(problemOf(bytes), SetProblem::BadCount);
    bytes[1] = 19;
    EXPECT_EQ(problemOf(bytes), SetProblem::BadCount);
    bytes = good;
    bytes[1] = 5; // more secondaries than the bytes hold
    EXPECT_EQ(problemOf(bytes), SetProblem::Truncated);
    bytes = good;
    bytes[35] = 31; // a name longer than its two entries
    EXPECT_EQ(problemOf(bytes), SetProblem::BadName);
    bytes[35] = 0;
    EXPECT_EQ(problemOf(bytes), SetProblem::BadName);
    bytes = good;
    bytes[96] = 0xC0; // a second stream entry where a name entry belongs
    EXPECT_EQ(problemOf(bytes), SetProblem::BadName);
    bytes = good;
    bytes[32] = 0xC1;
    EXPECT_EQ(problemOf(bytes), SetProblem::BadStream);
    bytes = good;
    bytes[64] &= 0x7F; // one entry deleted, the others not
    EXPECT_EQ(problemOf(bytes), SetProblem::MixedInUse);
    EXPECT_EQ(problemOf({good.begin(), good.begin() + 70}), SetProblem::Truncated);
    EXPECT_EQ(problemOf({}), SetProblem::Truncated);
    bytes = good;
    bytes[0] = 0x83;
    EXPECT_EQ(problemOf(bytes), SetProblem::NotAFileEntry);
}

TEST(ExfatChain, LoopsAndClustersOutsideTheHeapEndTheWalk) {
    TinyVolume tiny;
    const Geometry g = tiny.geometry();
    FatTable fat(tiny.source, g);
    tiny.setFat(10, 11);
    tiny.setFat(11, 12);
    tiny.setFat(12, 10);
    Chain chain = WalkChain(fat, g, 10, 1000);
    EXPECT_EQ(chain.end, ChainEnd::Loop);
    EXPECT_EQ(chain.clusters.size(), 3u);

    TinyVolume other;
    FatTable fat2(other.source, g);
    other.setFat(20, 21);
    other.setFat(21, 5000); // beyond the heap
    chain = WalkChain(fat2, g, 20, 1000);
    EXPECT_EQ(chain.end, ChainEnd::Broken);
    EXPECT_EQ(chain.clusters.size(), 2u);
    EXPECT_EQ(WalkChain(fat2, g, 1, 10).end, ChainEnd::NotInHeap);
    EXPECT_EQ(WalkChain(fat2, g, 202, 10).end, ChainEnd::NotInHeap);
    other.setFat(30, 31);
    other.setFat(31, 0xFFFFFFFF);
    FatTable fat3(other.source, g); // the table reads its blocks once
    chain = WalkChain(fat3, g, 30, 1);
    EXPECT_EQ(chain.end, ChainEnd::Capped);
    EXPECT_EQ(chain.clusters.size(), 1u);
}

// A root directory of the tiny volume holding `sets` one after another.
void putRoot(TinyVolume& tiny, const std::vector<SetSpec>& sets, std::uint32_t cluster = 2) {
    std::size_t at = 0;
    for (const SetSpec& spec : sets) {
        const auto bytes = EntrySetBytes(spec);
        tiny.put(cluster, at, bytes);
        at += bytes.size();
    }
}

TEST(ExfatWalk, FoldersThatLoopBackOrPointOutsideTheHeapEndAndAreListedOnce) {
    TinyVolume tiny;
    SetSpec loop{u"loop", 0x10, 2, 512}; // a folder whose cluster is the root's
    SetSpec self{u"self", 0x10, 3, 512};
    SetSpec far{u"far", 0x10, 900, 512};
    SetSpec file{u"a.txt", 0x20, 5, 10};
    file.streamFlags = 0x03;
    putRoot(tiny, {loop, self, far, file});
    SetSpec again{u"again", 0x10, 3, 512, UINT64_MAX, 0x03}; // inside itself
    putRoot(tiny, {again}, 3);
    tiny.setFat(3, 0xFFFFFFFF);
    tiny.fill(5, "0123456789");
    model::RecordTables tables;
    volume::NoProgress progress;
    const auto result = RunExfatStandardSearch(tiny.source, tiny.geometry(), tables.folderTable,
                                               tables.fileTable, progress);
    EXPECT_EQ(result.files, 1u);
    using namespace model::folder_col;
    std::map<std::string, int> names;
    for (int row = 0; row < tables.folderTable.rowCount(); ++row)
        ++names[tables.folderTable.cell(row, Name)];
    EXPECT_EQ(names["self"], 1);
    EXPECT_EQ(names["far"], 1);
    EXPECT_EQ(names["again"], 0); // its cluster is "self"'s, walked already
    EXPECT_EQ(names["loop"], 0);  // the root's cluster is no folder of its own

    ExfatEngine engine(tiny.source, tiny.geometry(), nullptr, tables.fileTable);
    int listed = 0;
    engine.listFiles(kRootKey, false, [&](const volume::FolderFile& f) {
        ++listed;
        StringSink sink;
        EXPECT_EQ(engine.extract(f, sink, {}).end, volume::ExtractEnd::Complete);
        EXPECT_EQ(sink.data, "0123456789");
        return true;
    });
    EXPECT_EQ(listed, 1);
}

TEST(ExfatExtract, ValidLengthsZerosDeletedGuessesAndMissingData) {
    TinyVolume tiny;
    const Geometry g = tiny.geometry();
    FatTable fat(tiny.source, g);
    tiny.fill(40, "A");
    tiny.fill(41, "B");
    tiny.fill(50, "C");
    tiny.setFat(40, 50); // live chained: 40 -> 50
    tiny.setFat(50, 0xFFFFFFFF);
    const auto extract = [&](const FileRef& ref) {
        StringSink sink;
        const auto report = ExtractExfatFile(tiny.source, g, fat, ref, sink);
        return std::make_pair(report, sink.data);
    };
    // Bytes past the valid data length read as zeros.
    auto [report, data] = extract({40, 700, 600, false, false});
    EXPECT_EQ(report.end, volume::ExtractEnd::Complete);
    EXPECT_EQ(data, std::string(512, 'A') + std::string(88, 'C') + std::string(100, '\0'));
    // A valid length past the data length is cut to it.
    std::tie(report, data) = extract({40, 700, 9999, false, false});
    EXPECT_EQ(data, std::string(512, 'A') + std::string(188, 'C'));
    // No FAT chain: consecutive clusters.
    std::tie(report, data) = extract({40, 600, 600, true, false});
    EXPECT_EQ(data, std::string(512, 'A') + std::string(88, 'B'));
    EXPECT_FALSE(report.uncertain);
    // Deleted and chained: the chain of exactly the clusters needed is kept, as a guess.
    std::tie(report, data) = extract({40, 600, 600, false, true});
    EXPECT_EQ(data, std::string(512, 'A') + std::string(88, 'C'));
    EXPECT_TRUE(report.uncertain);
    // Deleted with its chain gone: the contiguous rule.
    tiny.setFat(40, 0);
    FatTable cleared(tiny.source, g);
    StringSink sink;
    report = ExtractExfatFile(tiny.source, g, cleared, {40, 600, 600, false, true}, sink);
    EXPECT_EQ(sink.data, std::string(512, 'A') + std::string(88, 'B'));
    EXPECT_TRUE(report.uncertain);
    // A live chain that breaks short of the length: what there is, reported truncated.
    std::tie(report, data) = extract({40, 2000, 2000, false, false});
    EXPECT_EQ(report.end, volume::ExtractEnd::Truncated);
    // A first cluster outside the heap, and a run that leaves it.
    std::tie(report, data) = extract({9999, 10, 10, false, false});
    EXPECT_EQ(report.end, volume::ExtractEnd::NoData);
    std::tie(report, data) = extract({201, 4096, 4096, true, false}); // the heap's last
    EXPECT_EQ(report.end, volume::ExtractEnd::Truncated);
    EXPECT_EQ(data.size(), 512u);
    // Empty files need no cluster.
    std::tie(report, data) = extract({0, 0, 0, false, false});
    EXPECT_EQ(report.end, volume::ExtractEnd::Complete);
    // The medium gone mid-file.
    tiny.source.readsBeforeLoss = static_cast<long>(tiny.source.reads.size());
    std::tie(report, data) = extract({40, 600, 600, true, false});
    EXPECT_EQ(report.end, volume::ExtractEnd::MediumLost);
}

TEST(ExfatSweep, FindsOnlyClustersWithValidSetsAndHangsThemUnderLost) {
    TinyVolume tiny;
    // An orphaned folder (cluster 60) holding a sub-folder (61) with a file; a
    // directory-looking cluster whose checksum fails (70); text (71).
    putRoot(tiny, {SetSpec{u"sub", 0x10, 61, 512}, SetSpec{u"x.bin", 0x20, 80, 3}}, 60);
    putRoot(tiny, {SetSpec{u"in.txt", 0x20, 81, 4}}, 61);
    auto broken = EntrySetBytes(SetSpec{u"bad"});
    broken[2] ^= 1;
    tiny.put(70, 0, broken);
    tiny.fill(71, "plain text");
    EXPECT_FALSE(LooksLikeDirectoryCluster({tiny.source.bytes.data() + (32 + 70 - 2) * 512, 512}));
    EXPECT_FALSE(LooksLikeDirectoryCluster({tiny.source.bytes.data() + (32 + 71 - 2) * 512, 512}));
    EXPECT_FALSE(LooksLikeDirectoryCluster({}));

    model::RecordTables tables;
    volume::NoProgress progress;
    const auto result = RunExfatStandardSearch(tiny.source, tiny.geometry(), tables.folderTable,
                                               tables.fileTable, progress);
    EXPECT_EQ(result.lostFolders, 1u);
    using namespace model::folder_col;
    std::map<std::uint32_t, std::uint32_t> parentOf;
    for (int row = 0; row < tables.folderTable.rowCount(); ++row)
        parentOf[tables.folderTable.number(row, Self)] = tables.folderTable.number(row, Parent);
    EXPECT_EQ(parentOf.at(60), model::kLostFolderKey);
    EXPECT_EQ(parentOf.at(61), 60u); // walked from its parent, not lost on its own
    EXPECT_EQ(parentOf.count(70), 0u);
    EXPECT_EQ(result.files, 2u);
}

} // namespace
} // namespace qr::exfat
