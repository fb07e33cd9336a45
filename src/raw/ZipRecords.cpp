#include "raw/ZipRecords.h"

namespace qr::raw {

bool DecodeZipEndRecord(disk::ByteView bytes, ZipEndRecord& record) {
    if (!bytes.has(0, kZipEndRecordBytes) || !bytes.matches(0, std::string_view("PK\x05\x06")))
        return false;
    record.disk = bytes.u16(4);
    record.centralDisk = bytes.u16(6);
    record.entriesHere = bytes.u16(8);
    record.entries = bytes.u16(10);
    record.centralSize = bytes.u32(12);
    record.centralOffset = bytes.u32(16);
    record.commentLength = bytes.u16(20);
    record.needsZip64 = record.entriesHere == 0xFFFF || record.entries == 0xFFFF ||
                        record.centralSize == 0xFFFFFFFF || record.centralOffset == 0xFFFFFFFF;
    return true;
}

bool DecodeZip64Locator(disk::ByteView bytes, std::uint64_t& recordOffset) {
    if (!bytes.has(0, kZip64LocatorBytes) || !bytes.matches(0, std::string_view("PK\x06\x07")))
        return false;
    recordOffset = bytes.u64(8);
    return true;
}

bool DecodeZip64EndRecord(disk::ByteView bytes, ZipEndRecord& record) {
    if (!bytes.has(0, kZip64EndRecordBytes) || !bytes.matches(0, std::string_view("PK\x06\x06")))
        return false;
    record.entriesHere = bytes.u64(24);
    record.entries = bytes.u64(32);
    record.centralSize = bytes.u64(40);
    record.centralOffset = bytes.u64(48);
    return true;
}

std::optional<std::uint64_t> ZipArchiveLength(const FileBytesReader& read, std::uint64_t endOffset,
                                              std::uint64_t limit) {
    if (endOffset > limit || limit - endOffset < kZipEndRecordBytes)
        return std::nullopt;
    unsigned char end[kZipEndRecordBytes];
    ZipEndRecord record;
    if (!read(endOffset, sizeof end, end) ||
        !DecodeZipEndRecord(disk::ByteView(end, sizeof end), record))
        return std::nullopt;
    // One archive on one disk only.
    if (record.disk != 0 || record.centralDisk != 0 || record.entriesHere != record.entries)
        return std::nullopt;
    // The central directory ends where the record (or the Zip64 record) starts.
    std::uint64_t centralEnd = endOffset;
    if (record.needsZip64) {
        unsigned char locator[kZip64LocatorBytes];
        std::uint64_t recordOffset = 0;
        unsigned char zip64[kZip64EndRecordBytes];
        if (endOffset < kZip64LocatorBytes ||
            !read(endOffset - kZip64LocatorBytes, sizeof locator, locator) ||
            !DecodeZip64Locator(disk::ByteView(locator, sizeof locator), recordOffset) ||
            recordOffset > endOffset - kZip64LocatorBytes ||
            endOffset - kZip64LocatorBytes - recordOffset < kZip64EndRecordBytes ||
            !read(recordOffset, sizeof zip64, zip64) ||
            !DecodeZip64EndRecord(disk::ByteView(zip64, sizeof zip64), record))
            return std::nullopt;
        centralEnd = recordOffset;
    }
    if (record.centralOffset > centralEnd ||
        centralEnd - record.centralOffset != record.centralSize)
        return std::nullopt;
    if (record.entries > 0) {
        unsigned char head[4];
        if (record.centralSize < 46 || !read(record.centralOffset, sizeof head, head) ||
            !disk::ByteView(head, sizeof head).matches(0, std::string_view("PK\x01\x02")))
            return std::nullopt;
    } else if (record.centralSize != 0) {
        return std::nullopt;
    }
    const std::uint64_t length = endOffset + kZipEndRecordBytes + record.commentLength;
    if (length > limit)
        return std::nullopt;
    return length;
}

} // namespace qr::raw
