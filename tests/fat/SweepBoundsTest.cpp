// Sweeps of a FAT volume whose end lies far behind the end of the medium (a damaged
// partition table or a mistyped end sector): nothing behind the medium's end is read,
// and what lies on the medium is still found.
#include "app/ExtractCommands.h"
#include "app/FatSearch.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "output/FileExtraction.h"
#include "support/MemoryDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace qr::fat {
namespace {

constexpr std::uint64_t kMediumSectors = 4096;
// About 4 GiB of volume on a 2 MiB medium.
constexpr std::uint64_t kVolumeEnd = 8'000'000;

class SweepBounds : public ::testing::Test {
protected:
    SweepBounds() {
        medium.bytes.assign(kMediumSectors * 512, 0);
        auto opener = std::make_shared<test::MemoryOpener>();
        opener->add("memory", medium);
        ctx.reader = app::MakeSectorReader(ctx, opener);
        ctx.reader->paths().setName(0, "memory");
        volume::VolumeParams& p = ctx.volumeParams;
        p.fileSystemName = "FAT32";
        p.partitionStart = 0;
        p.partitionEnd = kVolumeEnd;
    }

    // A directory head for `cluster` (parent the root) at `sector`.
    void putDirectoryHead(std::uint64_t sector, std::uint32_t cluster) {
        unsigned char* s = &medium.bytes[sector * 512];
        std::memcpy(s, ".          ", 11);
        s[11] = 0x10;
        s[26] = cluster & 0xFF;
        s[27] = (cluster >> 8) & 0xFF;
        std::memcpy(s + 32, "..         ", 11);
        s[32 + 11] = 0x10;
    }

    void expectNothingReadBehindTheMedium() {
        std::lock_guard lock(medium.mutex);
        ASSERT_FALSE(medium.reads.empty());
        for (const auto& [offset, length] : medium.reads)
            ASSERT_LT(offset, medium.bytes.size()) << "read of " << length << " bytes";
    }

    test::MemoryMedium medium;
    app::RecoveryContext ctx;
};

TEST_F(SweepBounds, DirectoryScanStopsAtTheEndOfTheMedium) {
    ctx.volumeParams.sectorsPerCluster = 8;
    ctx.volumeParams.cluster0Start = 0;
    putDirectoryHead(10 * 8, 10);
    app::ScanDirectories(ctx, {});
    expectNothingReadBehindTheMedium();
    // The Lost row and the directory on the medium.
    ASSERT_EQ(ctx.tables.folderTable.rowCount(), 2);
    EXPECT_EQ(ctx.tables.folderTable.cell(1, model::folder_col::Self), "10");
}

TEST_F(SweepBounds, LayoutReconstructionStopsAtTheEndOfTheMedium) {
    // One directory alone cannot give a layout: the reconstruction sweeps to the end.
    putDirectoryHead(1000, 5);
    EXPECT_EQ(app::CalculateVolumeParams(ctx, {}), 0);
    expectNothingReadBehindTheMedium();
}

TEST_F(SweepBounds, FileIsWrittenOnlyAsFarAsTheMediumGoes) {
    fat::ActiveGeometry& g = ctx.activeGeometry;
    ctx.volumeParams.fileSystemName = "FAT16";
    g.fileSystemName = "FAT16";
    g.sectorsPerCluster = 8;
    g.cluster0Start = 0;
    g.firstFat = 1;
    g.secondFat = 65;
    g.sectorsPerFat = 64;
    // A deleted 64 MiB file from cluster 500 (sector 4000): 96 sectors, 12 clusters, of
    // it lie on the medium.
    test::TempDir dir;
    const std::filesystem::path out = dir.path() / "BIG.BIN";
    EXPECT_EQ(app::ExtractToFile(ctx, out.string(), "BIG.BIN", 64u << 20, 500, false, true),
              output::ExtractResult::Failed);
    EXPECT_EQ(std::filesystem::file_size(out), 12u * 8 * 512);
    expectNothingReadBehindTheMedium();
}

} // namespace
} // namespace qr::fat
