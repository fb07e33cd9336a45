// FAT directory decoding, cluster chains, the directory scan and the folders found
// through their parents' entries, the lost-directory search and the engine's listings over hostile
// media, without a recovery context. The first 16 bytes choose a small layout; every sector s of
// the medium reads block (s mod blocks) of the rest, so any cluster or sector a structure names
// lands on fuzzed bytes.
#include "disk/SectorSource.h"
#include "fat/DirectoryEntry.h"
#include "fat/FatChains.h"
#include "fat/FatEngine.h"
#include "fat/FoldersFromParentEntries.h"
#include "fat/ScanFatDirectories.h"
#include "model/LostDirectories.h"
#include "model/RecordTable.h"
#include "support/VolumeDisks.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace qr;

constexpr std::size_t kHeader = 16;
constexpr std::uint64_t kDiskSectors = 1ull << 32;
constexpr std::uint64_t kScanSectors = 2048;

std::uint32_t byteAt(const std::uint8_t* data, std::size_t i) {
    return data[i];
}

// The repeating medium as the engines read it.
class RepeatingSource final : public disk::SectorSource {
public:
    explicit RepeatingSource(const test::RepeatingDisk& disk) : disk_(disk) {}
    disk::ReadStatus readSectors(std::uint64_t start, std::uint32_t count,
                                 unsigned char* buffer) override {
        const std::size_t length = std::size_t{count} * disk::kSectorBytes;
        const std::int64_t got =
            start < kDiskSectors ? disk_.read(start * disk::kSectorBytes, buffer, length) : 0;
        const std::size_t read = got > 0 ? static_cast<std::size_t>(got) : 0;
        std::memset(buffer + read, 0, length - read);
        return read == length ? disk::ReadStatus::Complete : disk::ReadStatus::Partial;
    }
    std::uint64_t sectorCount() override { return kDiskSectors; }

private:
    const test::RepeatingDisk& disk_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader + 512)
        return 0;
    test::RepeatingDisk disk(data + kHeader, size - kHeader, kDiskSectors);
    RepeatingSource source(disk);

    volume::VolumeParams v;
    v.fileSystemName = volume::FileSystemName((data[0] & 1) ? volume::FileSystemKind::Fat32
                                                            : volume::FileSystemKind::Fat16);
    v.sectorsPerCluster = 1u << (data[1] % 4);
    v.sectorsPerFat = byteAt(data, 2) % 64;
    v.rootSectors = byteAt(data, 3) % 40;
    v.rootStart = byteAt(data, 4) | (byteAt(data, 5) << 8);
    v.cluster0Start = byteAt(data, 6) | (byteAt(data, 7) << 8);
    v.firstFat = byteAt(data, 8) % 32;
    v.secondFat = v.firstFat + v.sectorsPerFat;
    v.partitionEnd =
        v.cluster0Start + 2 * v.sectorsPerCluster + (byteAt(data, 9) << 3) % kScanSectors;

    fat::FatVolume volume;
    volume.source = &source;
    volume.partitionEnd = v.partitionEnd;
    fat::ActiveGeometry& g = volume.geometry;
    g.fileSystemName = v.fileSystemName;
    g.sectorsPerFat = v.sectorsPerFat;
    g.sectorsPerCluster = v.sectorsPerCluster;
    g.rootSectors = v.rootSectors;
    g.rootStart = v.rootStart;
    g.cluster0Start = v.cluster0Start;
    g.firstFat = v.firstFat;
    g.secondFat = v.secondFat;

    // Every entry of every distinct sector, with long names read back across sectors.
    const fat::LookbackSource lookback{&volume, {}, 0};
    const std::size_t blocks = (size - kHeader + 511) / 512;
    unsigned char sector[512];
    for (std::size_t b = 0; b < blocks; ++b) {
        source.readSectors(b, 1, sector);
        fat::FindDotEntries({sector, sizeof sector});
        for (std::size_t offset = 0; offset < 512; offset += fat::kEntrySize)
            if (fat::EntryNameOf({sector, sizeof sector}, offset, b, lookback).verdict ==
                fat::EntryVerdict::EndOfDirectory)
                break;
    }

    for (std::uint32_t c = 0; c < 8; ++c) {
        const disk::ByteView header(data, kHeader);
        const std::uint32_t start = c < 4 ? c + 2 : header.u32(8 + c);
        fat::ClusterChain chain = fat::BuildDirectoryChain(volume, start);
        fat::ReleaseChain(chain);
        chain = fat::BuildFileChain(volume, start, v.firstFat, data[10 + c % 6]);
        fat::ReleaseChain(chain);
    }

    // The scan's finds as folder rows, the lost-directory search over them, and the
    // engine's listings of the root and of the first folders found.
    volume::NoProgress progress;
    model::RecordTables tables;
    model::RecordTable& table = tables.folderTable;
    fat::ScanFatDirectories(source, v, {}, progress, 0, [&](const fat::FoundDirectory& found) {
        const int row = table.appendRow("Dir");
        table.setNumber(row, model::folder_col::Self, found.self);
        table.setNumber(row, model::folder_col::Parent, found.parent);
        table.setCell(row, model::folder_col::Type, "FOLDER");
    });
    std::vector<std::uint32_t> heads;
    for (int row = 0; row < table.rowCount(); ++row)
        heads.push_back(table.number(row, model::folder_col::Self));
    for (const fat::FoundDirectory& found : fat::FoldersFromParentEntries(volume, heads, {})) {
        const int row = table.appendRow("Dir");
        table.setNumber(row, model::folder_col::Self, found.self);
        table.setNumber(row, model::folder_col::Parent, found.parent);
    }
    model::FindLostDirectories(table, model::kFatRootParent, progress);

    fat::FatEngine engine(volume, v.kind());
    std::size_t files = 0;
    const auto count = [&](const volume::FolderFile& file) {
        return !engine.formatDate(file.stamp).empty() && ++files < 4096;
    };
    engine.listFiles(0, false, count);
    engine.listEntries(0, count);
    for (int row = 0; row < table.rowCount() && row < 16; ++row) {
        const std::uint32_t key = table.number(row, model::folder_col::Self);
        engine.listFiles(key, true, count);
        engine.listEntries(key, count);
    }
    return 0;
}
