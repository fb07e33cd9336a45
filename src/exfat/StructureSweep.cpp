#include "exfat/StructureSweep.h"

#include "exfat/EntrySet.h"
#include "volume/SearchProgress.h"

#include <algorithm>

namespace qr::exfat {

namespace {

constexpr std::uint8_t kBitmapEntry = 0x81;
constexpr std::uint8_t kUpcaseEntry = 0x82;
constexpr std::uint64_t kSector = disk::kSectorBytes;

template <typename T> void keep(std::vector<T>& rows, std::size_t cap, T row) {
    if (rows.size() < cap)
        rows.push_back(std::move(row));
}

void lookForBootRegion(disk::ByteView bytes, std::uint64_t sector, ExfatFindings& findings) {
    const auto boot = exfat::DecodeExfatBootSector(bytes.sub(0, kSector), UINT64_MAX);
    if (!boot)
        return;
    const std::uint32_t sectorBytes = 1u << boot->bytesPerSectorShift;
    if (exfat::ExfatBootChecksumHolds(bytes, sectorBytes))
        keep(findings.boots, kMaxFoundBoots, FoundBootRegion{sector, *boot});
}

// True when every entry up to the end mark has a directory entry type.
bool holdsOnlyEntries(disk::ByteView sector) {
    for (std::uint64_t at = 0; at < kSector; at += kEntryBytes) {
        const std::uint8_t type = sector.u8(at);
        if (type == 0)
            return true;
        if (!IsDirectoryEntryType(type))
            return false;
    }
    return true;
}

void lookForEntries(disk::ByteView bytes, std::uint64_t sector, ExfatFindings& findings) {
    FoundRootEntries root;
    bool bitmap = false;
    for (std::uint64_t at = 0; at < kSector;) {
        const std::uint8_t type = bytes.u8(at);
        if (type == 0)
            break;
        if (type == kBitmapEntry && !bitmap) {
            bitmap = true;
            root.bitmapCluster = bytes.u32(at + 20);
            root.bitmapLength = bytes.u64(at + 24);
        } else if (type == kUpcaseEntry && root.upcaseCluster == 0) {
            root.upcaseCluster = bytes.u32(at + 20);
            root.upcaseLength = bytes.u64(at + 24);
        }
        if ((type | kInUse) != kFileEntry) {
            at += kEntryBytes;
            continue;
        }
        const auto set = DecodeEntrySet(bytes.from(at));
        if (!set) {
            at += kEntryBytes;
            continue;
        }
        if (at == 0)
            keep(findings.setStarts, kMaxFoundSets, sector);
        if (findings.directorySectors.empty() || findings.directorySectors.back() != sector)
            keep(findings.directorySectors, kMaxFoundSets, sector);
        if (set->directory())
            keep(findings.folders, kMaxFoundSets,
                 FoundFolderSet{sector, set->firstCluster, set->dataLength, set->noFatChain(),
                                set->deleted});
        at += std::uint64_t{set->entries} * kEntryBytes;
    }
    if (bitmap && root.bitmapCluster >= 2 && root.bitmapLength > 0) {
        root.sector = sector;
        keep(findings.roots, kMaxFoundRoots, root);
    }
}

} // namespace

void LookAtSector(disk::ByteView bytes, std::uint64_t sector, ExfatFindings& findings) {
    if (!bytes.has(0, kSector))
        return;
    // Cheap first bytes before the full tests: most sectors are none of these. The
    // sector's first bytes go first, since its signature lies in another cache line.
    const std::uint8_t first = bytes.u8(0);
    if (bytes.u8(3) == 'E' && exfat::HasExfatName(bytes) && bytes.u16(510) == 0xAA55)
        lookForBootRegion(bytes, sector, findings);
    if (first == 0xF8 && bytes.u32(0) == 0xFFFFFFF8u && bytes.u32(4) == 0xFFFFFFFFu)
        keep(findings.fatStarts, kMaxFoundFats, sector);
    if (first != 0 && IsDirectoryEntryType(first) && holdsOnlyEntries(bytes.sub(0, kSector)))
        lookForEntries(bytes, sector, findings);
}

ExfatFindings SweepExfatStructures(disk::SectorSource& source, std::uint64_t first,
                                   std::uint64_t end, volume::SearchProgress& progress,
                                   std::stop_token stop) {
    ExfatFindings findings;
    if (const std::uint64_t medium = source.sectorCount(); medium > 0)
        end = std::min(end, medium);
    findings.rangeFirst = first;
    findings.rangeEnd = std::max(first, end);
    progress.phase(volume::SearchPhase::AdvancedSweep);
    progress.counter(volume::SearchCounter::Directories, 0);
    progress.counter(volume::SearchCounter::BootSectors, 0);
    progress.position(first, findings.rangeEnd);

    disk::SweepOptions options;
    // Each batch hands its last sectors again, so a sector is looked at with the ones
    // behind it in the same bytes.
    options.overlapSectors = kLookAheadSectors;
    std::size_t shownFolders = 0, shownBoots = 0;
    options.progress = [&](std::uint64_t next) {
        if (findings.folders.size() != shownFolders)
            progress.counter(volume::SearchCounter::Directories,
                             shownFolders = findings.folders.size());
        if (findings.boots.size() != shownBoots)
            progress.counter(volume::SearchCounter::BootSectors,
                             shownBoots = findings.boots.size());
        progress.position(next, findings.rangeEnd);
    };
    const disk::SweepOutcome outcome = disk::SweepBatches(
        source, {first, findings.rangeEnd}, options, stop,
        [&](std::uint64_t at, disk::ByteView bytes) {
            const std::uint64_t sectors = bytes.size() / kSector;
            // The sectors the next batch hands again are looked at there, unless this
            // batch is the last one.
            const bool last = at + sectors >= findings.rangeEnd;
            const std::uint64_t looked =
                last ? sectors : sectors - std::min<std::uint64_t>(sectors, kLookAheadSectors);
            for (std::uint64_t i = 0; i < looked; ++i)
                LookAtSector(bytes.from(i * kSector), at + i, findings);
            return true;
        });
    findings.end = outcome.end;
    return findings;
}

} // namespace qr::exfat
