#include "ntfs/FileRecord.h"

namespace qr::ntfs {

bool IsFileRecord(disk::ByteView record) {
    return record.matches(0, "FILE");
}

FileRecordHeader ReadFileRecordHeader(disk::ByteView record) {
    FileRecordHeader header;
    header.firstAttribute = record.u16(0x14);
    header.flags = record.u8(0x16);
    header.baseRecord = record.u32(0x20);
    return header;
}

} // namespace qr::ntfs
