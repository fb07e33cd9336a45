// Directory and file chains over an in-memory FAT, including damaged tables.
#include "fat/FatChains.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "support/MemoryDevice.h"

#include <gtest/gtest.h>

namespace qr::fat {
namespace {

constexpr std::uint32_t kFatStart = 10;

class FatChains : public ::testing::Test {
protected:
    FatChains() {
        medium.bytes.assign(4096 * 512, 0);
        auto opener = std::make_shared<test::MemoryOpener>();
        opener->add("memory", medium);
        ctx.reader = app::MakeSectorReader(ctx, opener);
        ctx.reader->paths().setName(0, "memory");
    }
    void useFat(const char* name, std::uint32_t sectorsPerFat = 16) {
        ctx.activeGeometry.fileSystemName = name;
        ctx.activeGeometry.firstFat = kFatStart;
        ctx.activeGeometry.secondFat = kFatStart + sectorsPerFat;
        ctx.activeGeometry.sectorsPerFat = sectorsPerFat;
    }
    void set16(std::uint32_t cluster, std::uint16_t value, std::uint32_t fat = kFatStart) {
        unsigned char* s = &medium.bytes[(fat + cluster / 256) * 512];
        s[(cluster % 256) * 2] = value & 0xFF;
        s[(cluster % 256) * 2 + 1] = value >> 8;
    }
    void set32(std::uint32_t cluster, std::uint32_t value, std::uint32_t fat = kFatStart) {
        unsigned char* s = &medium.bytes[(fat + cluster / 128) * 512];
        for (int i = 0; i < 4; ++i)
            s[(cluster % 128) * 4 + i] = (value >> (8 * i)) & 0xFF;
    }

    test::MemoryMedium medium;
    app::RecoveryContext ctx;
};

TEST_F(FatChains, Fat16DirectoryChainEndsAtAnyEndValue) {
    useFat("FAT16");
    set16(5, 6);
    set16(6, 0xFFFF);
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 5), (ClusterChain{5, 6}));
    set16(6, 0xFFF8);
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 5), (ClusterChain{5, 6}));
    set16(6, 1); // a directory chain also ends at 1
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 5), (ClusterChain{5, 6}));
}

TEST_F(FatChains, Fat32DirectoryChainCrossesFatSectors) {
    useFat("FAT32");
    set32(127, 128);
    set32(128, 300);
    set32(300, 0x0FFFFFFF);
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 127), (ClusterChain{127, 128, 300}));
}

TEST_F(FatChains, DirectoryChainOnlyForFatAndWithAFat) {
    useFat("NTFS");
    EXPECT_TRUE(BuildDirectoryChain(app::FatVolumeOf(ctx), 5).empty());
    useFat("FAT16");
    set16(5, 6);
    ctx.activeGeometry.firstFat = 0;
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 5), (ClusterChain{5}));
}

TEST_F(FatChains, LoopInADamagedFatEndsBeforeTheRepeat) {
    useFat("FAT32");
    set32(7, 8);
    set32(8, 9);
    set32(9, 7);
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 7), (ClusterChain{7, 8, 9}));
    set32(20, 20);
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 20), (ClusterChain{20}));
}

TEST_F(FatChains, ChainLeavingTheFatStopsAtItsEnd) {
    useFat("FAT16", 2);
    set16(5, 0xF000); // sector index 240, far beyond two FAT sectors
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 5), (ClusterChain{5, 0xF000}));
    useFat("FAT32", 2);
    set32(5, 0x0FFFFFF0);
    EXPECT_EQ(BuildDirectoryChain(app::FatVolumeOf(ctx), 5), (ClusterChain{5, 0x0FFFFFF0}));
}

TEST_F(FatChains, FileChainHoldsAtMostOneMoreThanNeeded) {
    useFat("FAT32");
    for (std::uint32_t c = 7; c < 11; ++c)
        set32(c, c + 1);
    set32(11, 0x0FFFFFFF);
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 7, kFatStart, 3), (ClusterChain{7, 8, 9, 10}));
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 7, kFatStart, 10),
              (ClusterChain{7, 8, 9, 10, 11}));
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 7, kFatStart, 0), (ClusterChain{7}));
}

TEST_F(FatChains, FileChainOfADeletedFileAndFromTheSecondCopy) {
    useFat("FAT16");
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 40, kFatStart, 5), (ClusterChain{40}));
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 40, 0, 5), (ClusterChain{40}));
    const std::uint32_t second = ctx.activeGeometry.secondFat;
    set16(40, 41, second);
    set16(41, 0xFFFF, second);
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 40, second, 5), (ClusterChain{40, 41}));
}

TEST_F(FatChains, LoopingFileChainIsBoundedByTheNeededCount) {
    useFat("FAT16");
    set16(3, 4);
    set16(4, 3);
    EXPECT_EQ(BuildFileChain(app::FatVolumeOf(ctx), 3, kFatStart, 4),
              (ClusterChain{3, 4, 3, 4, 3}));
}

} // namespace
} // namespace qr::fat
