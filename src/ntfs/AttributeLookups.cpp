#include "ntfs/AttributeLookups.h"

#include "ntfs/Attribute.h"
#include "ntfs/RunList.h"

namespace qr::ntfs {

std::optional<FileNameValue> FindFileName(disk::ByteView record) {
    // One pass: the first decodable name of each space, then the best space wins.
    static constexpr std::uint8_t kOrder[] = {kLongName, kLongAndShort, kPosixName, kShortName};
    disk::ByteView best;
    int bestRank = 4;
    AttributeWalk walk(record);
    Attribute attribute;
    while (walk.next(attribute) && bestRank > 0) {
        if (attribute.type() != kFileName || !attribute.unnamed() || attribute.nonResident())
            continue;
        const disk::ByteView value = attribute.value();
        int rank = 0;
        while (rank < bestRank && kOrder[rank] != value.u8(0x41))
            ++rank;
        if (rank < bestRank && value.has(0, 0x42) &&
            value.has(0x42, std::uint64_t{value.u8(0x40)} * 2)) {
            best = value;
            bestRank = rank;
        }
    }
    if (bestRank == 4)
        return std::nullopt;
    return DecodeFileName(best);
}

std::optional<std::uint64_t> FindDataSize(disk::ByteView record) {
    AttributeWalk walk(record);
    Attribute attribute;
    while (walk.next(attribute)) {
        if (attribute.type() != kData || !attribute.unnamed())
            continue;
        if (!attribute.nonResident())
            return attribute.valueLength();
        if (attribute.lowestVcn() == 0)
            return attribute.realSize();
    }
    return std::nullopt;
}

std::uint32_t FindDirectorySelfNumber(disk::ByteView record) {
    Attribute root;
    if (!FindAttribute(record, kIndexRoot, root, "$I30") || root.nonResident())
        return 0;
    // The value: a 0x10-byte root header, then the index header whose first field is
    // the offset of the first entry; an entry's key starts 0x10 into it.
    const disk::ByteView value = root.value();
    const std::uint64_t key = 0x10 + std::uint64_t{value.u32(0x10)} + 0x10;
    if (!value.has(key, 0x42) || value.u8(key + 0x40) == 0)
        return 0;
    const std::uint32_t self = value.u32(key);
    return self == 0xFFFFFFFF ? 0 : self;
}

std::uint32_t FindDirectoryFirstRun(disk::ByteView record) {
    Attribute allocation;
    if (!FindAttribute(record, kIndexAllocation, allocation, "$I30") || !allocation.nonResident())
        return 0;
    const RunListDecode runs = DecodeRunList(allocation.runList());
    if (runs.runs.empty() || runs.runs.front().sparse())
        return 0;
    return static_cast<std::uint32_t>(runs.runs.front().cluster);
}

} // namespace qr::ntfs
