#include "ntfs/SweptRecordRows.h"

#include "model/RecordTable.h"
#include "ntfs/AttributeLookups.h"
#include "ntfs/FileRecord.h"
#include "ntfs/RecordSize.h"
#include "volume/SectorBytes.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace qr::ntfs {

namespace {

std::uint32_t low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

// Files the volume keeps at fixed MFT numbers, known by their names.
std::uint32_t systemFileNumber(std::string_view name) {
    struct Known {
        std::string_view name;
        std::uint32_t number;
    };
    static constexpr Known kKnown[] = {
        {"$MFT", 1},    {"$MFTMirror", 1}, {"$LogFile", 2}, {"$Volume", 3}, {"$AttrDef", 4},
        {"$Bitmap", 6}, {"$Boot", 7},      {"$BadClus", 8}, {"$Secure", 9}, {"$UpCase", 10},
    };
    for (const Known& known : kKnown)
        if (known.name == name)
            return known.number;
    return 0;
}

// 512-byte sectors of a record the boot sector's size code gives; `fallback` for a
// code that gives no record size.
std::uint32_t codedRecordSectors(std::uint8_t code, std::uint64_t clusterBytes,
                                 std::uint32_t fallback) {
    const auto bytes = RecordBytesFromCode(code, clusterBytes);
    return bytes ? *bytes / 512 : fallback;
}

// An index record's fields: its VCN, the offset of its first entry (from 0x18) and the
// allocated size of its entries.
constexpr std::uint32_t kIndexHeader = 0x18;
constexpr std::uint32_t kFirstOwnerRecord = 5;

} // namespace

bool IsNtfsBootSector(disk::ByteView sector) {
    return sector.u8(510) == 0x55 && sector.u8(511) == 0xAA && sector.matches(3, "NTFS");
}

void InsertNtfsBootSectorRow(model::RecordTable& bootSectors, int row, std::uint64_t sector,
                             disk::ByteView boot) {
    using namespace model::boot_col;
    // Counts in 512-byte sectors: a volume of larger sectors has them scaled.
    const std::uint32_t scale = std::max(1u, volume::SubSectorsPerSector(boot.u16(0x0B)));
    const std::uint32_t perCluster = boot.u8(0x0D) * scale;
    const std::uint64_t clusterBytes = std::uint64_t{perCluster} * 512;
    row = bootSectors.insertRow(row, std::to_string(low32(sector)));
    bootSectors.setNumber(row, Spf, perCluster);
    bootSectors.setNumber(row, Spc, codedRecordSectors(boot.u8(0x44), clusterBytes, 8));
    bootSectors.setNumber(row, RootSectors, codedRecordSectors(boot.u8(0x40), clusterBytes, 2));
    bootSectors.setNumber(row, RootStart, low32(boot.u64(0x28) * scale));
    bootSectors.setNumber(row, ReserveSectors, low32(boot.u64(0x30)));
    bootSectors.setNumber(row, Cluster0Start, low32(boot.u64(0x38)));
}

std::uint32_t SweptFileRecordBytes(disk::ByteView sector, std::uint32_t mediumSectorBytes) {
    const std::uint32_t bytes = sector.u32(0x1C);
    const bool size = bytes == kRecordBytes || bytes == mediumSectorBytes ||
                      (mediumSectorBytes == 0 && IsRecordBytes(bytes));
    return IsFileRecord(sector) && size ? bytes : 0;
}

void InsertMftRecordRow(model::RecordTable& mftRecords, int row, std::uint64_t sector,
                        disk::ByteView record) {
    using namespace model::mft_col;
    const FileRecordHeader header = ReadFileRecordHeader(record);
    const std::uint8_t flags = header.flags;
    const bool directory = IsDirectoryFlags(flags);
    // An extension record may hold a copy of its base record's name, and a record with
    // other flags is a system view (quota, object ids) without data: neither is a file
    // of its own, so both are listed without a name (they still count for the numbering).
    const bool own = header.baseRecord == 0 && (directory || IsFileFlags(flags));
    const auto name = own ? FindFileName(record) : std::nullopt;
    std::uint32_t self = 0;
    std::uint32_t firstRun = 0;
    if (directory) {
        self = FindDirectorySelfNumber(record);
        firstRun = FindDirectoryFirstRun(record);
    } else if (name) {
        self = systemFileNumber(name->name);
    }
    row = mftRecords.insertRow(row, name ? name->name : std::string());
    mftRecords.setNumber(row, Sector, low32(sector));
    mftRecords.setNumber(row, ParentMft, name ? name->parent : 0);
    mftRecords.setNumber(row, SelfMft, self);
    mftRecords.setNumber64(row, Size, static_cast<std::int64_t>(FindDataSize(record).value_or(0)));
    mftRecords.setCell(row, Type, directory ? "FOLDER" : "File");
    mftRecords.setCell(row, FsNumber, "0");
    mftRecords.setNumber64(row, Date, name ? name->created : 0);
    mftRecords.setNumber(row, FirstRun, firstRun);
    if (flags == 0 || flags == 2)
        mftRecords.setCell(row, Deleted, "1");
}

std::uint32_t IndexRecordBytes(disk::ByteView firstSector) {
    const std::uint64_t bytes = std::uint64_t{firstSector.u32(0x20)} + kIndexHeader;
    return bytes > kMaxIndexRecordBytes ? 0 : static_cast<std::uint32_t>(bytes);
}

IndexRecordOwner ReadIndexRecordOwner(disk::ByteView record) {
    IndexRecordOwner result;
    const std::uint64_t entry = kIndexHeader + std::uint64_t{record.u32(0x18)};
    if (!record.has(entry + 0x10, 4))
        return result;
    result.owner = record.u32(entry + 0x10);
    result.vcn = low32(record.u64(0x10));
    result.accepted = result.owner >= kFirstOwnerRecord && result.owner != 0xFFFFFFFF;
    return result;
}

void InsertIndexRecordRow(model::RecordTable& indexRecords, int row, std::uint64_t sector,
                          const IndexRecordOwner& owner) {
    using namespace model::index_col;
    row = indexRecords.insertRow(row, std::to_string(low32(sector)));
    indexRecords.setNumber(row, MftReference, owner.owner);
    indexRecords.setNumber(row, Vcn, owner.vcn);
    indexRecords.setNumber(row, FsNumber, 0xFFFFFFFF);
}

} // namespace qr::ntfs
