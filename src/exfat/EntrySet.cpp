#include "exfat/EntrySet.h"

#include "fat/TextEncoding.h"

#include <vector>

namespace qr::exfat {

namespace {

// The secondary count of a set whose name has 255 characters: the stream extension and
// seventeen name entries.
constexpr std::uint32_t kMaxSecondaries = 18;
constexpr std::uint32_t kNameUnitsPerEntry = 15;

std::optional<EntrySet> fail(SetProblem* problem, SetProblem why) {
    if (problem)
        *problem = why;
    return std::nullopt;
}

} // namespace

std::uint16_t EntrySetChecksum(disk::ByteView entries, std::uint32_t count, bool asInUse) {
    const std::uint64_t bytes = std::uint64_t{count} * kEntryBytes;
    std::uint16_t sum = 0;
    for (std::uint64_t i = 0; i < bytes && i < entries.size(); ++i) {
        if (i == 2 || i == 3)
            continue;
        std::uint8_t value = entries.u8(i);
        if (asInUse && i % kEntryBytes == 0)
            value |= kInUse;
        sum = static_cast<std::uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + value);
    }
    return sum;
}

std::optional<EntrySet> DecodeEntrySet(disk::ByteView entries, SetProblem* problem,
                                       ChecksumRule rule) {
    if (problem)
        *problem = SetProblem::None;
    if (!entries.has(0, kEntryBytes))
        return fail(problem, SetProblem::Truncated);
    const std::uint8_t type = entries.u8(0);
    if ((type | kInUse) != kFileEntry)
        return fail(problem, SetProblem::NotAFileEntry);
    const bool deleted = (type & kInUse) == 0;
    const std::uint32_t secondaries = entries.u8(1);
    if (secondaries < 2 || secondaries > kMaxSecondaries)
        return fail(problem, SetProblem::BadCount);
    const std::uint32_t count = secondaries + 1;
    if (!entries.has(0, std::uint64_t{count} * kEntryBytes))
        return fail(problem, SetProblem::Truncated);
    for (std::uint32_t i = 1; i < count; ++i)
        if (((entries.u8(std::uint64_t{i} * kEntryBytes) & kInUse) == 0) != deleted)
            return fail(problem, SetProblem::MixedInUse);
    const disk::ByteView stream = entries.sub(kEntryBytes, kEntryBytes);
    if ((stream.u8(0) | kInUse) != kStreamEntry)
        return fail(problem, SetProblem::BadStream);
    const std::uint32_t nameLength = stream.u8(3);
    const std::uint32_t nameEntries = (nameLength + kNameUnitsPerEntry - 1) / kNameUnitsPerEntry;
    if (nameLength == 0 || nameEntries > secondaries - 1)
        return fail(problem, SetProblem::BadName);
    std::vector<std::uint16_t> units;
    units.reserve(nameLength);
    for (std::uint32_t n = 0; n < nameEntries; ++n) {
        const disk::ByteView entry = entries.sub(std::uint64_t{2 + n} * kEntryBytes, kEntryBytes);
        if ((entry.u8(0) | kInUse) != kNameEntry)
            return fail(problem, SetProblem::BadName);
        for (std::uint32_t u = 0; u < kNameUnitsPerEntry && units.size() < nameLength; ++u)
            units.push_back(entry.u16(2 + 2 * u));
    }
    const bool mismatch = EntrySetChecksum(entries, count, deleted) != entries.u16(2);
    if (mismatch) {
        fail(problem, SetProblem::BadChecksum);
        if (rule == ChecksumRule::Require)
            return std::nullopt;
    }

    EntrySet set;
    set.checksumMismatch = mismatch;
    set.deleted = deleted;
    set.attributes = entries.u16(4);
    set.created = entries.u32(8);
    set.modified = entries.u32(12);
    set.streamFlags = stream.u8(1);
    set.validLength = stream.u64(8);
    set.firstCluster = stream.u32(20);
    set.dataLength = stream.u64(24);
    set.name = fat::Utf16ToUtf8(units);
    set.entries = count;
    return set;
}

bool IsDirectoryEntryType(std::uint8_t type) {
    switch (type | kInUse) {
    case 0x80: // end mark (0) or an unused entry
    case 0x81: // allocation bitmap
    case 0x82: // up-case table
    case 0x83: // volume label
    case kFileEntry:
    case 0xA0: // volume GUID
    case 0xA1:
    case 0xA2:
    case kStreamEntry:
    case kNameEntry:
    case 0xE0:
    case 0xE1:
        return true;
    default:
        return false;
    }
}

} // namespace qr::exfat
