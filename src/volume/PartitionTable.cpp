#include "volume/PartitionTable.h"

#include "disk/SectorSource.h"
#include "volume/PartitionListing.h"
#include "volume/SectorRead.h"

#include <set>

namespace qr::volume {
namespace {

constexpr std::size_t kFirstEntry = 0x1BE;
constexpr std::size_t kEntrySize = 16;

struct TableEntry {
    std::uint8_t type = 0;
    std::uint32_t start = 0;
    std::uint32_t sectors = 0;
};

TableEntry entryOf(const Sector& table, int index) {
    const std::size_t at = kFirstEntry + static_cast<std::size_t>(index) * kEntrySize;
    return {table.u8(at + 4), table.u32(at + 8), table.u32(at + 12)};
}

bool isExtended(std::uint8_t type) {
    return type == 0x05 || type == 0x0F;
}

// Names and lists the partition at `start`; false once the record is full.
bool listIfNamed(disk::SectorSource& source, PartitionListingTarget& target, std::uint8_t type,
                 std::uint64_t start, std::uint32_t sectors) {
    const std::string name = NamePartition(ReadSector(source, start), type);
    if (name.empty())
        return true;
    return ListPartition(target, name, start, start + sectors);
}

} // namespace

std::string NamePartition(const Sector& first, std::uint8_t type) {
    return FileSystemName(KindOfPartition(first, type));
}

FileSystemKind KindOfPartition(const Sector& first, std::uint8_t type) {
    if (first.hasText(0x52, "FAT32"))
        return FileSystemKind::Fat32;
    if (first.hasText(0x36, "FAT16"))
        return FileSystemKind::Fat16;
    if (first.hasText(0x36, "FAT12"))
        return FileSystemKind::Fat12;
    if (first.hasText(0x03, "NTFS"))
        return FileSystemKind::Ntfs;
    // Type 0x07 is shared by NTFS and exFAT; the boot sector tells them apart.
    if (first.hasText(0x03, "EXFAT   "))
        return FileSystemKind::ExFat;
    switch (type) {
    case 0x01:
    case 0x04:
    case 0x06:
    case 0x0E:
        return FileSystemKind::Fat16;
    case 0x0B:
    case 0x0C:
        return FileSystemKind::Fat32;
    case 0x07:
        return FileSystemKind::Ntfs;
    default:
        return FileSystemKind::None;
    }
}

void ReadPartitionTable(disk::SectorSource& source, PartitionListingTarget& target,
                        std::uint64_t baseSector) {
    target.record.count = 0;
    const Sector mbr = ReadSector(source, baseSector);
    // One of the two signature bytes is enough.
    if (mbr.bytes[0x1FE] != 0x55 && mbr.bytes[0x1FF] != 0xAA)
        return;

    std::uint64_t extendedStart = 0;
    bool walkChain = false;
    for (int i = 0; i < 4; ++i) {
        const TableEntry e = entryOf(mbr, i);
        if (e.type == 0)
            continue;
        if (!listIfNamed(source, target, e.type, e.start, e.sectors))
            return;
        if (isExtended(e.type)) {
            extendedStart = e.start;
            walkChain = true;
        }
    }

    // Logical starts are relative to their own record, links to the first extended
    // partition. A record seen before, too many records or a full record ends the walk.
    std::set<std::uint64_t> visited;
    std::uint64_t link = 0;
    while (walkChain && visited.size() < static_cast<std::size_t>(kMaxExtendedRecords)) {
        const std::uint64_t recordSector = extendedStart + link;
        if (!visited.insert(recordSector).second)
            return;
        const Sector ebr = ReadSector(source, recordSector);
        walkChain = false;
        for (int i = 0; i < 2; ++i) {
            const TableEntry e = entryOf(ebr, i);
            if (e.type == 0)
                continue;
            if (isExtended(e.type)) {
                link = e.start;
                walkChain = true;
            } else if (!listIfNamed(source, target, e.type, recordSector + e.start, e.sectors)) {
                return;
            }
        }
    }
}

} // namespace qr::volume
