// recovery-cli on media made with the real tools whose partition table is missing
// (a volume formatted over the whole disk) or zeroed (volumes at 63, 2048, 8192).
#include "support/FatImages.h"
#include "support/TestSupport.h"
#include "support/VolumeImages.h"

#include <fstream>
#include <gtest/gtest.h>

namespace qr::volume {
namespace {

namespace fs = std::filesystem;

using test::cli;

std::string line(const std::string& name, std::uint64_t start, std::uint64_t end) {
    return "Partition - 1 ( " + name + " )\t" + std::to_string(start) + "\t" + std::to_string(end) +
           "\n";
}

std::uint64_t bootTotal(const fs::path& image, std::uint64_t at) {
    const test::SectorBytes s = test::readImageSector(image, at);
    if (test::le16(s, 0x13) != 0)
        return test::le16(s, 0x13);
    if (std::string(reinterpret_cast<const char*>(s.data()) + 3, 4) == "NTFS")
        return test::le32(s, 0x28) | (std::uint64_t{test::le32(s, 0x2C)} << 32);
    return test::le32(s, 0x20);
}

void fillFiles(test::FatImage& image) {
    image.writeFile("::/TOP.TXT", "top of the card\n");
    image.mkdir("::/DCIM");
    image.writeFile("::/DCIM/PIC1.JPG", std::string(3000, 'p'));
}

void expectFilesListedAndSaved(const fs::path& image, const fs::path& out) {
    const std::string listing = cli(image, "list --disk 0 --partition 1");
    for (const char* name : {"TOP.TXT", "DCIM", "DCIM/PIC1.JPG"})
        EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
    cli(image,
        "save --disk 0 --partition 1 --replace yes-all --to " + test::shellQuote(out.string()));
    std::ifstream top(out / "TOP.TXT");
    std::string text((std::istreambuf_iterator<char>(top)), {});
    EXPECT_EQ(text, "top of the card\n");
    EXPECT_EQ(fs::file_size(out / "DCIM/PIC1.JPG"), 3000u);
}

TEST(LostTableCommands, FatVolumesOverTheWholeDiskAreOnePartitionAtSectorZero) {
    if (!test::haveFatTools())
        GTEST_SKIP() << "needs mkfs.fat and mtools";
    for (int bits : {16, 32}) {
        SCOPED_TRACE(bits);
        test::TempDir dir;
        test::FatImageOptions o;
        o.fatBits = bits;
        o.sectorsPerCluster = bits == 16 ? 4 : 1;
        test::FatImage whole(dir / "whole.img", o);
        fillFiles(whole);
        const std::string name = bits == 32 ? "FAT32" : "FAT16";
        EXPECT_EQ(cli(whole.path(), "partitions --disk 0"),
                  line(name, 0, bootTotal(whole.path(), 0)));
        expectFilesListedAndSaved(whole.path(), dir / "out");

        // The same volume behind a table reads as it always did.
        o.partitioned = true;
        test::FatImage behind(dir / "behind.img", o);
        EXPECT_EQ(cli(behind.path(), "partitions --disk 0"),
                  line(name, 2048, 2048 + behind.volumeSectors()));
    }
}

TEST(LostTableCommands, NtfsOverTheWholeDiskIsOnePartitionAtSectorZero) {
    if (!test::haveTools({"mkntfs"}))
        GTEST_SKIP() << "needs mkntfs";
    test::TempDir dir;
    const fs::path image = dir / "ntfs.img";
    test::formatNtfs(image, 0, 100000);
    EXPECT_EQ(cli(image, "partitions --disk 0"), line("NTFS", 0, bootTotal(image, 0)));
    const std::string volume = cli(image, "volume --disk 0 --partition 1");
    EXPECT_NE(volume.find("validation=succeeded"), std::string::npos) << volume;
}

TEST(LostTableCommands, ZeroedTableIsSearchedAndItsVolumesListedAndRead) {
    if (!test::haveFatTools() || !test::haveTools({"sfdisk", "mkntfs"}))
        GTEST_SKIP() << "needs sfdisk, mkfs.fat, mtools and mkntfs";
    struct Card {
        int fatBits; // 0: NTFS
        std::uint64_t start;
    };
    for (const Card card : {Card{16, 63}, Card{32, 8192}, Card{0, 2048}}) {
        SCOPED_TRACE(card.start);
        test::TempDir dir;
        fs::path image = dir / "card.img";
        std::unique_ptr<test::FatImage> fat;
        std::string name = "NTFS";
        if (card.fatBits != 0) {
            test::FatImageOptions o;
            o.fatBits = card.fatBits;
            o.sectorsPerCluster = card.fatBits == 16 ? 4 : 1;
            o.partitioned = true;
            o.partitionStart = card.start;
            fat = std::make_unique<test::FatImage>(image, o);
            fillFiles(*fat);
            name = card.fatBits == 32 ? "FAT32" : "FAT16";
        } else {
            test::runOrFail("truncate -s 60M " + test::shellQuote(image.string()));
            test::runOrFail("printf '2048,,7\\n' | sfdisk -q " + test::shellQuote(image.string()));
            test::formatNtfs(image, 2048, 60 * 2048 - 2048);
        }
        const std::string healthy = cli(image, "partitions --disk 0");
        // The search on the healthy disk finds the volume the table lists.
        const std::string searched = cli(image, "partitions --disk 0 --search");
        const std::string expected =
            line(name, card.start, card.start + bootTotal(image, card.start));
        EXPECT_EQ(searched, expected);
        EXPECT_EQ(healthy.substr(0, healthy.rfind('\t')), expected.substr(0, expected.rfind('\t')));

        test::writeImageSector(image, 0, test::SectorBytes{});
        EXPECT_EQ(cli(image, "partitions --disk 0"), expected);
        if (fat)
            expectFilesListedAndSaved(image, dir / "out");
    }
}

TEST(LostTableCommands, AbsurdSectorZeroAndTinyDisksListNothingImpossible) {
    test::TempDir dir;
    const fs::path image = dir / "tiny.img";
    // One sector carrying a FAT32 text and a signature with absurd fields.
    test::SectorBytes s{};
    std::memcpy(s.data() + 0x52, "FAT32   ", 8);
    s[0x0D] = 3;
    s[0x1FE] = 0x55;
    s[0x1FF] = 0xAA;
    test::runOrFail("truncate -s 512 " + test::shellQuote(image.string()));
    test::writeImageSector(image, 0, s);
    // Nothing is listed, and the empty step says why and what the user can do.
    for (const char* args : {"partitions --disk 0", "partitions --disk 0 --search"})
        EXPECT_EQ(cli(image, args),
                  "recovery-cli: No partition was found on Disk0: its partition table is empty "
                  "or damaged. Use Search More Partitions, or search the whole disk in Advanced "
                  "mode.\n");
}

} // namespace
} // namespace qr::volume
