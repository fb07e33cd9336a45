#include "ntfs/AttributeList.h"

namespace qr::ntfs {

namespace {
constexpr std::uint32_t kEntryHeader = 0x1A;
}

std::vector<AttributeListEntry> DecodeAttributeList(disk::ByteView list, std::size_t maxEntries) {
    std::vector<AttributeListEntry> entries;
    std::uint64_t at = 0;
    while (entries.size() < maxEntries && list.has(at, kEntryHeader)) {
        const std::uint32_t type = list.u32(at);
        const std::uint16_t length = list.u16(at + 4);
        if (type == 0 || type == 0xFFFFFFFF || length < kEntryHeader || !list.has(at, length))
            break;
        AttributeListEntry entry;
        entry.type = type;
        entry.nameLength = list.u8(at + 6);
        entry.lowestVcn = list.u64(at + 8);
        entry.record = list.u32(at + 0x10);
        entries.push_back(entry);
        at += length;
    }
    return entries;
}

} // namespace qr::ntfs
