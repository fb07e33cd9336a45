// FAT directory decoding, cluster chains, the directory scan, the lost-directory
// search, the tree builder and folder listing over hostile disks. The first 16 bytes
// choose a small layout; every sector s of the disk reads block (s mod blocks) of the
// rest, so any cluster or sector a structure names lands on fuzzed bytes.
#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "fat/DirectoryEntry.h"
#include "fat/FatChains.h"
#include "fat/LostDirectories.h"
#include "fat/ScanFatDirectories.h"
#include "fat/ScanWorker.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "support/VolumeDisks.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace qr;

constexpr std::size_t kHeader = 16;
constexpr std::uint64_t kDiskSectors = 1ull << 32;
constexpr std::uint64_t kScanSectors = 2048;

std::uint32_t byteAt(const std::uint8_t* data, std::size_t i) {
    return data[i];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader + 512)
        return 0;
    test::RepeatingDisk disk(data + kHeader, size - kHeader, kDiskSectors);
    app::RecoveryContext ctx;
    ctx.reader = std::make_unique<disk::SectorReader>(
        ctx, std::make_shared<test::VolumeDiskOpener<test::RepeatingDisk>>(disk, kDiskSectors));

    volume::VolumeParams& v = ctx.volumeParams;
    v.fileSystemName = (data[0] & 1) ? "FAT32" : "FAT16";
    v.sectorsPerCluster = 1u << (data[1] % 4);
    v.sectorsPerFat = byteAt(data, 2) % 64;
    v.rootSectors = byteAt(data, 3) % 40;
    v.rootStart = byteAt(data, 4) | (byteAt(data, 5) << 8);
    v.cluster0Start = byteAt(data, 6) | (byteAt(data, 7) << 8);
    v.firstFat = byteAt(data, 8) % 32;
    v.secondFat = v.firstFat + v.sectorsPerFat;
    v.partitionEnd =
        v.cluster0Start + 2 * v.sectorsPerCluster + (byteAt(data, 9) << 3) % kScanSectors;
    fat::LoadActiveGeometryFromVolume(ctx);

    // Every entry of every distinct sector, with long names read back across sectors.
    const fat::SectorSource source{ctx.reader.get()};
    const std::size_t blocks = (size - kHeader + 511) / 512;
    unsigned char sector[512];
    for (std::size_t b = 0; b < blocks; ++b) {
        ctx.reader->read(b, 1, sector);
        for (std::size_t offset = 0; offset < 512; offset += fat::kEntrySize)
            if (fat::EntryNameOf(sector, offset, b, source).verdict ==
                fat::EntryVerdict::EndOfDirectory)
                break;
    }

    for (std::uint32_t c = 0; c < 8; ++c) {
        const std::uint32_t start = c < 4 ? c + 2 : fat::le32(data + 8 + c);
        fat::ClusterChain chain = fat::BuildDirectoryChain(ctx, start);
        fat::ReleaseChain(chain);
        chain = fat::BuildFileChain(ctx, v.fileSystemName, start, v.firstFat, data[10 + c % 6]);
        fat::ReleaseChain(chain);
    }

    fat::ScanFatDirectories(ctx);
    fat::FindLostDirectories(ctx, ctx.tables.folderTable, fat::kFatRootParent);
    model::BuildFolderTree(ctx, model::TreeVariant::FatStandard);
    std::size_t listed = 0;
    for (const model::FolderNode& node : ctx.folderNodes) {
        if (++listed > 16)
            break;
        model::ListFolder(ctx, node.treeItem, model::kMouseFolderLabels);
    }
    model::ListFolder(ctx, ctx.recoveryTree.firstTopLevel(), model::kMouseFolderLabels);
    return 0;
}
