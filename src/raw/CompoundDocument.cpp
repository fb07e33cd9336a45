#include "raw/CompoundDocument.h"

#include <algorithm>
#include <unordered_set>

namespace qr::raw {

namespace {

// Enough table for a document of 4 GiB in 512-byte sectors; a longer claim is damage.
constexpr std::uint32_t kMaxFatSectors = 65536;

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Sector n of the document lies behind the header sector.
std::uint64_t sectorOffset(const CompoundHeader& header, std::uint32_t sector) {
    return (std::uint64_t{sector} + 1) * header.sectorSize;
}

} // namespace

CompoundHeaderVerdict DecodeCompoundHeader(disk::ByteView bytes, CompoundHeader& header) {
    if (!bytes.has(0, 512))
        return CompoundHeaderVerdict::TooShort;
    if (!bytes.matches(0, kSignature))
        return CompoundHeaderVerdict::NoSignature;
    if (bytes.u16(0x1C) != 0xFFFE)
        return CompoundHeaderVerdict::BadByteOrder;
    const std::uint16_t shift = bytes.u16(0x1E);
    if (shift != 9 && shift != 12)
        return CompoundHeaderVerdict::BadSectorSize;
    if (bytes.u16(0x20) != 6)
        return CompoundHeaderVerdict::BadMiniSectorSize;
    header.sectorSize = 1u << shift;
    header.fatSectors = bytes.u32(0x2C);
    header.directoryStart = bytes.u32(0x30);
    header.firstDifatSector = bytes.u32(0x44);
    header.difatSectors = bytes.u32(0x48);
    if (header.fatSectors == 0)
        return CompoundHeaderVerdict::NoAllocationTable;
    const std::uint32_t listed = std::min(header.fatSectors, kCompoundHeaderDifatEntries);
    header.headerFatSectors.clear();
    for (std::uint32_t i = 0; i < listed; ++i)
        header.headerFatSectors.push_back(bytes.u32(0x4C + 4 * std::uint64_t{i}));
    return CompoundHeaderVerdict::Valid;
}

std::optional<std::uint64_t> CompoundDocumentLength(const FileBytesReader& read,
                                                    std::uint64_t limit) {
    unsigned char first[512];
    if (!read(0, sizeof first, first))
        return std::nullopt;
    CompoundHeader header;
    if (DecodeCompoundHeader(disk::ByteView(first, sizeof first), header) !=
        CompoundHeaderVerdict::Valid)
        return std::nullopt;
    const std::uint32_t size = header.sectorSize;
    // Sectors the range can hold behind the header; the tables cannot be longer.
    if (limit < size)
        return std::nullopt;
    const std::uint64_t maxSectors = limit / size - 1;
    const std::uint32_t perSector = size / 4;
    if (std::uint64_t{header.fatSectors} * perSector > maxSectors + perSector ||
        header.fatSectors > kMaxFatSectors)
        return std::nullopt;

    // The table's sectors: the header's list, then the continuation chain, each of whose
    // sectors lists perSector - 1 more and links to the next.
    std::vector<std::uint32_t> fat = header.headerFatSectors;
    std::vector<unsigned char> sector(size);
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t difat = header.firstDifatSector;
    std::vector<std::uint32_t> difatList;
    while (fat.size() < header.fatSectors) {
        if (difat >= maxSectors || !seen.insert(difat).second ||
            difatList.size() >= header.difatSectors)
            return std::nullopt;
        difatList.push_back(difat);
        if (!read(sectorOffset(header, difat), size, sector.data()))
            return std::nullopt;
        const disk::ByteView view(sector.data(), size);
        for (std::uint32_t i = 0; i + 1 < perSector && fat.size() < header.fatSectors; ++i)
            fat.push_back(view.u32(4 * std::uint64_t{i}));
        difat = view.u32(4 * std::uint64_t{perSector - 1});
    }

    // The table's own sectors must be marked as such (and the continuation's sectors as
    // theirs) where the table lists them: garbage read as a table fails here.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> marks; // sector, expected value
    std::unordered_set<std::uint32_t> fatSet;
    for (std::uint32_t s : fat) {
        if (s >= maxSectors || !fatSet.insert(s).second)
            return std::nullopt;
        marks.emplace_back(s, kCompoundFatSector);
    }
    for (std::uint32_t s : difatList)
        marks.emplace_back(s, kCompoundDifatSector);
    std::sort(marks.begin(), marks.end());
    std::size_t nextMark = 0;

    // The highest sector in use; every chain link stays inside the table.
    const std::uint64_t entries = std::uint64_t{fat.size()} * perSector;
    std::uint64_t highest = 0;
    for (std::size_t i = 0; i < fat.size(); ++i) {
        if (!read(sectorOffset(header, fat[i]), size, sector.data()))
            return std::nullopt;
        const disk::ByteView view(sector.data(), size);
        for (std::uint32_t k = 0; k < perSector; ++k) {
            const std::uint32_t value = view.u32Unchecked(4 * std::size_t{k});
            const std::uint64_t index = std::uint64_t{i} * perSector + k;
            if (nextMark < marks.size() && marks[nextMark].first == index) {
                if (value != marks[nextMark].second)
                    return std::nullopt;
                ++nextMark;
            }
            if (value == kCompoundFreeSector)
                continue;
            if (value < 0xFFFFFFFA && value >= entries)
                return std::nullopt;
            highest = index;
        }
    }
    if (nextMark != marks.size() || header.directoryStart > highest)
        return std::nullopt;
    const std::uint64_t length = (highest + 2) * size;
    if (length > limit)
        return std::nullopt;
    return length;
}

} // namespace qr::raw
