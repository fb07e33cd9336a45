#include "disk/SectorSource.h"
#include "model/TreeModel.h"
#include "support/VolumeDisks.h"
#include "volume/Crc32.h"
#include "volume/GptPartitions.h"
#include "volume/PartitionListing.h"
#include "volume/PartitionTree.h"

#include <cstring>
#include <gtest/gtest.h>

namespace qr::volume {
namespace {

using test::SectorBytes;
using test::SparseDisk;

using test::SparseSource;

void put16(unsigned char* at, std::uint16_t v) {
    std::memcpy(at, &v, 2);
}
void put32(unsigned char* at, std::uint32_t v) {
    std::memcpy(at, &v, 4);
}
void put64(unsigned char* at, std::uint64_t v) {
    std::memcpy(at, &v, 8);
}

struct Part {
    std::uint64_t first, last;
    std::string name;
    const char* bootText = "FAT32"; // written into the volume's first sector
};

// A GPT disk written sector by sector as sfdisk lays one out: protective MBR, the
// primary header at 1 with its array at 2, the backup array and header at the end.
class GptDisk {
public:
    explicit GptDisk(std::uint64_t sectors, std::uint32_t entryCount = 128)
        : disk(sectors), count(entryCount), array(std::size_t{entryCount} * 128) {}

    void add(std::uint32_t slot, const Part& p) {
        unsigned char* e = array.data() + std::size_t{slot} * 128;
        e[0] = 0xA2; // any nonzero type GUID marks the entry used
        e[15] = 0x99;
        put64(e + 32, p.first);
        put64(e + 40, p.last);
        for (std::size_t i = 0; i < p.name.size() && i < 36; ++i)
            put16(e + 56 + 2 * i, static_cast<unsigned char>(p.name[i]));
        if (std::strcmp(p.bootText, "FAT32") == 0)
            std::memcpy(disk.at(p.first).data() + 0x52, "FAT32", 5);
        else if (*p.bootText)
            std::memcpy(disk.at(p.first).data() + 3, p.bootText, std::strlen(p.bootText));
    }

    // Writes the MBR, both headers and both arrays.
    SparseDisk& write(std::uint8_t mbrSlot = 0) {
        SectorBytes& mbr = disk.at(0);
        mbr[0x1BE + mbrSlot * 16 + 4] = 0xEE;
        put32(mbr.data() + 0x1BE + mbrSlot * 16 + 8, 1);
        mbr[0x1FE] = 0x55;
        mbr[0x1FF] = 0xAA;
        const std::uint64_t last = disk.sectors() - 1;
        const std::uint64_t arraySectors = (array.size() + 511) / 512;
        writeCopy(1, last, 2);
        writeCopy(last, 1, last - arraySectors);
        return disk;
    }

    SectorBytes& header(std::uint64_t at) { return disk.at(at); }

    // Recomputes the header CRC after a test changed a header field.
    void reseal(std::uint64_t at) {
        SectorBytes& h = disk.at(at);
        put32(h.data() + 16, 0);
        put32(h.data() + 16, Crc32(disk::ByteView(h.data(), 92)));
    }

    SparseDisk disk;
    std::uint32_t count;
    std::vector<unsigned char> array;

private:
    void writeCopy(std::uint64_t own, std::uint64_t alternate, std::uint64_t arrayAt) {
        for (std::size_t i = 0; i * 512 < array.size(); ++i)
            std::memcpy(disk.at(arrayAt + i).data(), array.data() + i * 512,
                        std::min<std::size_t>(512, array.size() - i * 512));
        SectorBytes& h = disk.at(own);
        h = {};
        std::memcpy(h.data(), "EFI PART", 8);
        put32(h.data() + 8, 0x00010000);
        put32(h.data() + 12, 92);
        put64(h.data() + 24, own);
        put64(h.data() + 32, alternate);
        put64(h.data() + 40, 34);
        put64(h.data() + 48, disk.sectors() - 34);
        put64(h.data() + 72, arrayAt);
        put32(h.data() + 80, count);
        put32(h.data() + 84, 128);
        put32(h.data() + 88, Crc32(disk::ByteView(array.data(), array.size())));
        reseal(own);
    }
};

struct Listing {
    model::TreeModel tree;
    DiskPartitionRecord record;
    model::TreeItem first = model::kNoItem;
    bool searchAsked = false;

    explicit Listing(SparseDisk& disk) {
        tree.insert(model::kNoItem, "Disk 0", 0, 0);
        PartitionListingTarget target{record, tree, first};
        SparseSource source(disk);
        searchAsked = ReadDiskStart(source, target);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (std::uint32_t k = 1; k <= record.count; ++k)
            out.push_back(tree.text(record.slots[k].treeItem) + " " +
                          std::to_string(SlotStart(record.slots[k])) + "-" +
                          std::to_string(SlotEnd(record.slots[k])));
        return out;
    }
};

std::vector<std::string> details(SparseDisk& disk) {
    SparseSource source(disk);
    return PartitionTableDetailLines(source);
}

bool saysSomewhere(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

TEST(Crc32, MatchesTheCheckValueOfTheStandard) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc32(disk::ByteView(reinterpret_cast<const unsigned char*>(text.data()), 9)),
              0xCBF43926u);
    EXPECT_EQ(Crc32(disk::ByteView()), 0u);
}

TEST(GptTable, EntriesAreListedInSectorOrderNamedByTheirBootSectors) {
    GptDisk g(200000);
    g.add(0, {100000, 149999, "second", "NTFS"});
    g.add(5, {2048, 67583, "EFI system", "FAT32"});
    g.add(7, {70000, 79999, "linux", ""}); // no known boot sector: not listed, no number
    g.add(9, {80000, 89999, "stick", "EXFAT   "});
    Listing l(g.write());
    EXPECT_FALSE(l.searchAsked);
    EXPECT_EQ(l.texts(), (std::vector<std::string>{"Partition - 1 ( FAT32 ) 2048-67584",
                                                   "Partition - 2 ( exFAT ) 80000-90000",
                                                   "Partition - 3 ( NTFS ) 100000-150000"}));
    EXPECT_EQ(l.record.slots[1].gptName, "EFI system");
    EXPECT_EQ(l.record.slots[3].gptName, "second");
    EXPECT_EQ(l.first, l.record.slots[1].treeItem);
    const auto lines = details(g.disk);
    EXPECT_TRUE(saysSomewhere(lines, "GPT, primary header (sector 1)"));
    EXPECT_TRUE(saysSomewhere(lines, "GPT entry 8 ( linux ) holds no FAT, NTFS or exFAT volume"));
}

TEST(GptTable, EveryUsedEntryOfALargeArrayIsListedNotOnlyTwentySix) {
    GptDisk g(400000, 256);
    for (std::uint32_t i = 0; i < 200; ++i)
        g.add(i, {2048 + i * 1000, 2048 + i * 1000 + 999, "p" + std::to_string(i)});
    Listing l(g.write());
    ASSERT_EQ(l.record.count, 200u);
    EXPECT_EQ(l.texts().back(), "Partition - 200 ( FAT32 ) 201048-202048");
    EXPECT_EQ(l.record.slots[200].gptName, "p199");
}

TEST(GptTable, HybridMbrIsReadAsGpt) {
    GptDisk g(100000);
    g.add(0, {4096, 8191, "data"});
    SparseDisk& disk = g.write(2);
    // A FAT16 entry in slot 1 beside the 0xEE one in slot 3.
    disk.at(0)[0x1BE + 4] = 0x06;
    put32(disk.at(0).data() + 0x1BE + 8, 50000);
    put32(disk.at(0).data() + 0x1BE + 12, 1000);
    EXPECT_EQ(Listing(disk).texts(), std::vector<std::string>{"Partition - 1 ( FAT32 ) 4096-8192"});
}

TEST(GptTable, DamagedPrimaryHeaderOrArrayHandsOverToTheBackup) {
    for (int damage = 0; damage < 3; ++damage) {
        GptDisk g(100000);
        g.add(0, {2048, 4095, "a"});
        g.add(1, {8192, 9999, "b", "NTFS"});
        SparseDisk& disk = g.write();
        if (damage == 0)
            disk.at(1) = {}; // missing header
        else if (damage == 1)
            disk.at(1)[40] ^= 1; // header CRC no longer matches
        else
            disk.at(2)[40] ^= 1; // entry array CRC no longer matches
        Listing l(disk);
        EXPECT_FALSE(l.searchAsked) << damage;
        EXPECT_EQ(l.texts(), (std::vector<std::string>{"Partition - 1 ( FAT32 ) 2048-4096",
                                                       "Partition - 2 ( NTFS ) 8192-10000"}))
            << damage;
        const auto lines = details(disk);
        EXPECT_TRUE(saysSomewhere(lines, "GPT, backup header (sector 99999) in place of the "
                                         "damaged primary"))
            << damage;
        EXPECT_TRUE(saysSomewhere(lines, damage == 2   ? "fails its CRC32"
                                         : damage == 1 ? "fails its header CRC32"
                                                       : "has no GPT signature"))
            << damage;
    }
}

TEST(GptTable, NoReadableHeaderOrNoUsedEntryStartsThePartitionSearch) {
    GptDisk empty(100000);
    Listing none(empty.write());
    EXPECT_TRUE(none.searchAsked);
    EXPECT_EQ(none.record.count, 0u);

    GptDisk g(100000);
    g.add(0, {2048, 4095, "a"});
    SparseDisk& disk = g.write();
    disk.at(1) = {};
    disk.at(99999)[24] ^= 1; // the backup names another sector as its own
    Listing lost(disk);
    EXPECT_TRUE(lost.searchAsked);
    EXPECT_EQ(lost.record.count, 0u);
    const auto lines = details(disk);
    EXPECT_TRUE(saysSomewhere(lines, "no header readable"));
    EXPECT_TRUE(
        saysSomewhere(lines, "The backup GPT header at sector 99999 fails its header CRC32"));

    g.reseal(99999);
    EXPECT_TRUE(saysSomewhere(details(disk), "The backup GPT header at sector 99999 names sector "
                                             "99998 as its own"));
}

TEST(GptTable, AbsurdHeaderFieldsAreRefusedWithoutReadingThem) {
    struct Case {
        std::size_t offset;
        std::uint32_t value;
        const char* said;
    };
    for (const Case& c :
         {Case{80, 0xFFFFFFFFu, "gives an entry count of 4294967295"},
          Case{84, 100, "gives an entry size of 100 bytes"},
          Case{84, 132, "gives an entry size of 132 bytes"},
          Case{84, 0x80000000u, "gives an entry size of 2147483648 bytes"},
          Case{12, 600, "has a header size of 600 bytes"},
          Case{12, 20, "has a header size of 20 bytes"}, Case{72, 99990, "beyond the disk"},
          Case{72, 1, "over its own sectors"}}) {
        GptDisk g(100000);
        g.add(0, {2048, 4095, "a"});
        SparseDisk& disk = g.write();
        for (std::uint64_t at : {std::uint64_t{1}, std::uint64_t{99999}}) {
            put32(disk.at(at).data() + c.offset, c.value);
            if (c.offset != 12)
                g.reseal(at);
        }
        Listing l(disk);
        EXPECT_TRUE(l.searchAsked) << c.said;
        EXPECT_TRUE(saysSomewhere(details(disk), c.said)) << c.said;
    }
}

TEST(GptTable, BadEntriesAreSaidAndTheOthersStillListed) {
    GptDisk g(100000);
    g.add(0, {2048, 4095, "good"});
    g.add(1, {3000, 5000, "overlaps"});
    g.add(2, {9000, 8000, "backwards"});
    g.add(3, {90000, 200000, "past the end"});
    g.add(4, {0xFFFFFFFFFFFFFF00ull, 0xFFFFFFFFFFFFFFFFull, "huge"});
    g.add(5, {6000, 7000, "also good", "NTFS"});
    Listing l(g.write());
    EXPECT_EQ(l.texts(), (std::vector<std::string>{"Partition - 1 ( FAT32 ) 2048-4096",
                                                   "Partition - 2 ( NTFS ) 6000-7001"}));
    const auto lines = details(g.disk);
    EXPECT_TRUE(saysSomewhere(lines, "GPT entry 2 overlaps GPT entry 1"));
    EXPECT_TRUE(saysSomewhere(lines, "GPT entry 3 ends before it starts"));
    EXPECT_TRUE(saysSomewhere(lines, "GPT entry 4 runs past the end of the disk"));
    EXPECT_TRUE(saysSomewhere(lines, "GPT entry 5 runs past the end of the disk"));
}

TEST(GptTable, ProtectiveEntryOnAMediumTooSmallForAGpt) {
    SparseDisk disk(2);
    disk.at(0)[0x1BE + 4] = 0xEE;
    disk.at(0)[0x1FE] = 0x55;
    disk.at(0)[0x1FF] = 0xAA;
    Listing l(disk);
    EXPECT_TRUE(l.searchAsked);
    EXPECT_TRUE(saysSomewhere(details(disk), "The disk is too small for a GPT"));
}

TEST(GptTable, MbrDisksSayNothingOfATable) {
    SparseDisk disk(10000);
    disk.at(0)[0x1BE + 4] = 0x0C;
    disk.at(0)[0x1FE] = 0x55;
    EXPECT_TRUE(details(disk).empty());
}

TEST(GptTable, EntryNamesAreDecodedFromUtf16) {
    const unsigned char field[] = {'D',  0,    0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE,
                                   0x00, 0xD8, 'x',  0, 0,    0,    'z',  0};
    EXPECT_EQ(GptEntryName(field, sizeof field), "D\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBDx");
}

} // namespace
} // namespace qr::volume
