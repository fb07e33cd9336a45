#pragma once
// The rows the advanced NTFS sweep writes for what it finds in a sector: an NTFS boot
// sector (BootSectorTable), an MFT file record (MftRecordTable) and an index record
// (IndexRecordTable). Every builder judges only the bytes it is handed.
#include "disk/ByteView.h"

#include <cstdint>
#include <span>

namespace qr::model {
class RecordTable;
}

namespace qr::ntfs {

// Largest index record the sweep and the assignment read.
inline constexpr std::uint32_t kMaxIndexRecordBytes = 65536;

// A sector that ends in 0x55 0xAA and names "NTFS" at offset 3.
bool IsNtfsBootSector(disk::ByteView sector);
// Inserts the row of the boot sector at `sector` at `row`, its sector counts in 512-byte
// sectors and the record sizes in sectors (file records 2 and index records 8 when the
// boot sector's codes give none).
void InsertNtfsBootSectorRow(model::RecordTable& bootSectors, int row, std::uint64_t sector,
                             disk::ByteView boot);

// The size of the file record `sector` begins, as its header gives it: 1024 bytes, or
// the sector size of a medium of larger sectors (whose volumes have records of that
// size), or any record size when that is not known (`mediumSectorBytes` 0); 0 for no
// file record or one of another size.
std::uint32_t SweptFileRecordBytes(disk::ByteView sector, std::uint32_t mediumSectorBytes);
// Inserts the row of the file record at `sector` (whole, fixups applied) at `row`.
void InsertMftRecordRow(model::RecordTable& mftRecords, int row, std::uint64_t sector,
                        disk::ByteView record);

// The whole size of the index record that begins in `firstSector`: its allocated
// entry area plus the 0x18-byte header; 0 above kMaxIndexRecordBytes.
std::uint32_t IndexRecordBytes(disk::ByteView firstSector);

struct IndexRecordOwner {
    bool accepted = false;
    std::uint32_t owner = 0; // MFT number of the directory the record belongs to
    std::uint32_t vcn = 0;
};
// The owner of an index record (fixups applied): the parent named in its first
// entry's key. Not accepted when the entry lies past the record or names one of the
// records 0 to 4 or 0xFFFFFFFF.
IndexRecordOwner ReadIndexRecordOwner(disk::ByteView record);
void InsertIndexRecordRow(model::RecordTable& indexRecords, int row, std::uint64_t sector,
                          const IndexRecordOwner& owner);

} // namespace qr::ntfs
