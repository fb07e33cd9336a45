#include "volume/GptTable.h"

#include "disk/ByteView.h"
#include "volume/Crc32.h"
#include "volume/GptHeader.h"
#include "volume/SectorRead.h"

#include <algorithm>
#include <optional>

namespace qr::volume {
namespace {

constexpr std::size_t kNameOffset = 56;
constexpr std::size_t kNameBytes = 72;

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isZero(disk::ByteView bytes) {
    return std::all_of(bytes.span().begin(), bytes.span().end(),
                       [](unsigned char b) { return b == 0; });
}

struct HeaderAndArray {
    GptHeader header;
    std::vector<unsigned char> array;
};

// The header at `at` with its entry array, when both pass; else a problem line.
std::optional<HeaderAndArray> readHeader(disk::SectorSource& source, std::uint64_t at,
                                         std::uint64_t diskSectors, std::uint32_t sectorSize,
                                         const std::string& which, GptReading& reading) {
    const std::vector<unsigned char> sector = ReadSectorBytes(source, at, 1, sectorSize);
    const GptHeaderCheck check =
        CheckGptHeader(disk::ByteView(sector.data(), sector.size()), at, diskSectors, sectorSize);
    if (!check.header) {
        reading.problems.push_back("The " + which + " GPT header at " + SectorText(at) + " " +
                                   check.problem);
        return std::nullopt;
    }
    HeaderAndArray found{*check.header, {}};
    const GptHeader& h = found.header;
    found.array =
        ReadSectorBytes(source, h.entriesSector,
                        static_cast<std::uint32_t>(GptArraySectors(h, sectorSize)), sectorSize);
    const disk::ByteView array(found.array.data(), static_cast<std::size_t>(h.arrayBytes()));
    if (Crc32(array) != h.entriesCrc) {
        reading.problems.push_back("The entry array of the " + which + " GPT header (" +
                                   SectorText(h.entriesSector) + ") fails its CRC32");
        return std::nullopt;
    }
    return found;
}

// Used entries in the order of their first sectors; one that ends before it starts,
// runs past the disk or overlaps one kept before it is said and left out.
std::vector<GptEntry> usedEntries(const HeaderAndArray& table, std::uint64_t diskSectors,
                                  std::vector<std::string>& problems) {
    const GptHeader& h = table.header;
    const disk::ByteView array(table.array.data(), table.array.size());
    std::vector<GptEntry> entries;
    for (std::uint32_t i = 0; i < h.entryCount; ++i) {
        const disk::ByteView e = array.sub(std::uint64_t{i} * h.entrySize, h.entrySize);
        if (isZero(e.sub(0, 16)))
            continue;
        GptEntry entry{i + 1, e.u64(32), e.u64(40),
                       GptEntryName(e.data() + kNameOffset, kNameBytes)};
        const std::string label = "GPT entry " + std::to_string(entry.index);
        if (entry.lastSector < entry.firstSector)
            problems.push_back(label + " ends before it starts");
        else if (diskSectors != 0 && entry.lastSector >= diskSectors)
            problems.push_back(label + " runs past the end of the disk");
        else
            entries.push_back(std::move(entry));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const GptEntry& a, const GptEntry& b) {
        return a.firstSector < b.firstSector;
    });
    std::vector<GptEntry> kept;
    for (GptEntry& entry : entries) {
        if (!kept.empty() && entry.firstSector <= kept.back().lastSector) {
            problems.push_back("GPT entry " + std::to_string(entry.index) + " overlaps GPT entry " +
                               std::to_string(kept.back().index));
            continue;
        }
        kept.push_back(std::move(entry));
    }
    return kept;
}

} // namespace

std::string GptEntryName(const unsigned char* field, std::size_t bytes) {
    const disk::ByteView view(field, bytes);
    std::string out;
    for (std::size_t at = 0; at + 1 < bytes; at += 2) {
        std::uint32_t c = view.u16(at);
        if (c == 0)
            break;
        if (c >= 0xD800 && c < 0xDC00 && at + 3 < bytes) {
            const std::uint32_t low = view.u16(at + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        appendUtf8(out, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    return out;
}

GptReading ReadGpt(disk::SectorSource& source, std::uint64_t diskSectors,
                   std::uint32_t sectorSize) {
    GptReading reading;
    // The protective MBR, the header and at least one sector of entries.
    if (diskSectors != 0 && diskSectors < 3) {
        reading.problems.push_back("The disk is too small for a GPT");
        return reading;
    }
    std::optional<HeaderAndArray> table =
        readHeader(source, 1, diskSectors, sectorSize, "primary", reading);
    reading.used = GptHeaderUsed::Primary;
    reading.headerSector = 1;
    if (!table && diskSectors != 0) {
        reading.headerSector = diskSectors - 1;
        table =
            readHeader(source, reading.headerSector, diskSectors, sectorSize, "backup", reading);
        reading.used = GptHeaderUsed::Backup;
    }
    if (!table) {
        reading.used = GptHeaderUsed::None;
        reading.headerSector = 0;
        return reading;
    }
    reading.entries = usedEntries(*table, diskSectors, reading.problems);
    return reading;
}

} // namespace qr::volume
