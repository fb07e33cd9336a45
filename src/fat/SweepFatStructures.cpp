#include "fat/SweepFatStructures.h"

#include "model/RecordTable.h"
#include "volume/SearchProgress.h"

#include <string>

namespace qr::fat {

namespace {

using volume::SearchCounter;

constexpr std::size_t kEntry = 32;

// Sector numbers and the layout derived from them are 32-bit in the tables: values
// are computed in 64 bits and written as their low 32 bits, as every sector cell is.
std::uint32_t low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

// The 32-bit first cluster of a directory entry: low word at 26, high word at 20. The
// high word is used whatever the searched type, so FAT16 heads carry it too.
std::uint32_t firstCluster(disk::ByteView entry) {
    return entry.u16(26) | (static_cast<std::uint32_t>(entry.u16(20)) << 16);
}

} // namespace

bool AppendBootSectorRow(model::RecordTable& bootSectors, std::uint64_t sector,
                         const FatBootSector& boot) {
    using namespace model::boot_col;
    if (!boot.bootSignature || (!boot.fat32Text && !boot.fat16Text && !boot.fat12Text))
        return false;
    const bool fat32 = boot.fat32Text;
    const std::uint64_t s = sector;
    const std::uint64_t r = boot.reservedSectors;
    const std::uint64_t c = boot.sectorsPerCluster;
    // FAT32 keeps sectors per FAT and the root cluster in full 32-bit fields.
    const std::uint64_t f = fat32 ? boot.sectorsPerFat32 : boot.sectorsPerFat16;
    const std::uint64_t rootSectors = fat32 ? 0 : boot.rootEntries / 16;
    const std::uint64_t fatsEnd = s + r + 2 * f;

    const int row = bootSectors.appendRow(std::to_string(low32(s)));
    bootSectors.setNumber(row, Spf, low32(f));
    bootSectors.setNumber(row, Spc, low32(c));
    bootSectors.setNumber(row, RootSectors, low32(rootSectors));
    bootSectors.setNumber(row, RootStart, fat32 ? boot.rootCluster : low32(fatsEnd));
    bootSectors.setNumber(row, ReserveSectors, low32(r));
    bootSectors.setNumber(row, Cluster0Start, low32(fatsEnd + rootSectors - 2 * c));
    bootSectors.setNumber(row, FirstFat, low32(s + r));
    bootSectors.setNumber(row, SecondFat, low32(s + r + f));
    bootSectors.setNumber(row, TotalSectors, low32(s + boot.totalSectors()));
    bootSectors.setCell(row, PartType, fat32 ? "FAT32" : boot.fat16Text ? "FAT16" : "FAT12");
    return true;
}

bool IsDirectoryHead(disk::ByteView sector) {
    return sector.matches(0, ". ") && sector.matches(kEntry, ".. ");
}

void AppendDirectoryHeadRow(model::RecordTable& dirClusters, std::uint64_t sector,
                            disk::ByteView head) {
    using namespace model::dircluster_col;
    const disk::ByteView dot = head.sub(0, kEntry);
    const disk::ByteView dotDot = head.sub(kEntry, kEntry);
    const int row = dirClusters.appendRow(std::to_string(low32(sector)));
    dirClusters.setNumber(row, SelfCluster, firstCluster(dot));
    dirClusters.setNumber(row, ParentCluster, firstCluster(dotDot));
    dirClusters.setCell(row, FileSystem, "0");
    dirClusters.setSignedNumber(row, Date, dot.u16(24));
    dirClusters.setSignedNumber(row, Time, dot.u16(22));
}

FatSweepResult SweepFatStructures(disk::SectorSource& source, std::uint64_t partitionStart,
                                  std::uint64_t partitionEnd, model::RecordTables& tables,
                                  std::stop_token stop, volume::SearchProgress& progress,
                                  std::uint32_t batchSectors) {
    FatSweepResult result;
    progress.phase(volume::SearchPhase::AdvancedSweep);
    progress.counter(SearchCounter::Directories, 0);
    progress.counter(SearchCounter::BootSectors, 0);
    progress.position(partitionStart, partitionEnd);

    disk::SweepOptions options;
    options.batchSectors = batchSectors;
    std::uint32_t shownBoot = 0;
    std::uint32_t shownDirectories = 0;
    options.progress = [&](std::uint64_t next) {
        if (result.bootSectors != shownBoot)
            progress.counter(SearchCounter::BootSectors, shownBoot = result.bootSectors);
        if (result.directories != shownDirectories)
            progress.counter(SearchCounter::Directories, shownDirectories = result.directories);
        progress.position(next, partitionEnd);
    };

    const disk::SweepOutcome outcome = disk::SweepBatches(
        source, {partitionStart, partitionEnd}, options, stop,
        [&](std::uint64_t first, disk::ByteView bytes) {
            const std::uint64_t sectors = bytes.size() / disk::kSectorBytes;
            for (std::uint64_t i = 0; i < sectors; ++i) {
                const disk::ByteView sector = bytes.sub(i * disk::kSectorBytes, disk::kSectorBytes);
                // Cheap first bytes before the full tests: most sectors are neither.
                if (sector.u8(510) == 0x55 && sector.u8(511) == 0xAA &&
                    AppendBootSectorRow(tables.bootSectorTable, first + i,
                                        DecodeFatBootSector(sector)))
                    ++result.bootSectors;
                if (sector.u8(0) == '.' && IsDirectoryHead(sector)) {
                    AppendDirectoryHeadRow(tables.dirClusterTable, first + i, sector);
                    ++result.directories;
                }
            }
            return true;
        });
    result.end = outcome.end;
    result.next = outcome.next;
    // Nothing lies behind the end of the medium: a range that reaches past it is done.
    if (outcome.end == disk::SweepEnd::Finished && outcome.clampedEnd < partitionEnd)
        progress.position(partitionEnd, partitionEnd);
    return result;
}

} // namespace qr::fat
