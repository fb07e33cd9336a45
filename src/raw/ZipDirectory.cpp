#include "raw/ZipDirectory.h"

#include "raw/ZipRecords.h"

#include <algorithm>
#include <optional>

namespace qr::raw {

namespace {

constexpr std::uint32_t kMaxComment = 65535;
constexpr std::uint64_t kMaxCentralBytes = 8u << 20;
constexpr std::uint32_t kCentralHead = 46;

// The end record of the archive: the one whose comment runs to its last byte.
std::optional<ZipEndRecord> endRecord(const FileBytesReader& read, std::uint64_t bytes) {
    const std::uint64_t tail = std::min<std::uint64_t>(bytes, kZipEndRecordBytes + kMaxComment);
    if (tail < kZipEndRecordBytes)
        return std::nullopt;
    std::vector<unsigned char> last(static_cast<std::size_t>(tail));
    if (!read(bytes - tail, static_cast<std::uint32_t>(tail), last.data()))
        return std::nullopt;
    for (std::size_t at = last.size() - kZipEndRecordBytes + 1; at-- > 0;) {
        ZipEndRecord record;
        if (last[at] == 'P' &&
            DecodeZipEndRecord(disk::ByteView(last.data() + at, last.size() - at), record) &&
            at + kZipEndRecordBytes + record.commentLength == last.size())
            return record;
    }
    return std::nullopt;
}

} // namespace

std::vector<ZipEntry> ZipCentralEntries(const FileBytesReader& read, std::uint64_t bytes) {
    std::vector<ZipEntry> entries;
    const auto record = endRecord(read, bytes);
    if (!record || record->needsZip64 || record->centralSize > kMaxCentralBytes ||
        record->centralOffset > bytes || record->centralSize > bytes - record->centralOffset)
        return entries;
    std::vector<unsigned char> central(static_cast<std::size_t>(record->centralSize));
    if (!read(record->centralOffset, static_cast<std::uint32_t>(central.size()), central.data()))
        return entries;
    const disk::ByteView view(central.data(), central.size());
    for (std::size_t at = 0; view.has(at, kCentralHead) && view.matches(at, "PK\x01\x02");) {
        const std::size_t name = view.u16(at + 28);
        const std::size_t rest = std::size_t{view.u16(at + 30)} + view.u16(at + 32);
        if (!view.has(at + kCentralHead, name + rest))
            break;
        ZipEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(central.data() + at + kCentralHead), name);
        entry.method = view.u16(at + 10);
        entry.compressedBytes = view.u32(at + 20);
        entry.bytes = view.u32(at + 24);
        entry.localHeader = view.u32(at + 42);
        entries.push_back(std::move(entry));
        at += kCentralHead + name + rest;
    }
    return entries;
}

} // namespace qr::raw
