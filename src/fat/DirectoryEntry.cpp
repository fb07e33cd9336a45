#include "fat/DirectoryEntry.h"

#include "fat/FatVolume.h"
#include "fat/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace qr::fat {

namespace {

// Offsets of the 13 UTF-16 units of a long-name entry.
constexpr std::size_t kLongNameUnits[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
constexpr std::size_t kUnitsPerEntry = 13;
constexpr std::size_t kMaxLongNameUnits = 255;
constexpr std::uint8_t kLastLongEntryFlag = 0x40;
// A first name byte of 0x05 stands for a real first character 0xE5 (code page 437 σ).
constexpr unsigned char kEscapedE5 = 0x05;

// Decodes one UTF-8 sequence at `i`; returns the code point or -1 when malformed.
long decodeUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra = b0 < 0x80           ? 0
                : (b0 >> 5) == 0x6  ? 1
                : (b0 >> 4) == 0xE  ? 2
                : (b0 >> 3) == 0x1E ? 3
                                    : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size())
        return -1;
    long cp = extra == 0 ? b0 : b0 & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (b & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

} // namespace

void LookbackSource::fetch(std::uint64_t sector, unsigned char* out) const {
    if (sector >= first && buffer.has((sector - first) * disk::kSectorBytes, disk::kSectorBytes)) {
        std::memcpy(out, buffer.data() + (sector - first) * disk::kSectorBytes, disk::kSectorBytes);
        return;
    }
    std::memset(out, 0, disk::kSectorBytes);
    if (volume)
        volume->read(sector, 1, out);
}

ShortName ShortNameOf(disk::ByteView entry) {
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        if (entry.u8(i) != ' ')
            bytes += static_cast<char>(entry.u8(i));
    if (entry.u8(8) != ' ')
        bytes += '.';
    for (int i = 8; i < 11; ++i)
        if (entry.u8(i) != ' ')
            bytes += static_cast<char>(entry.u8(i));
    // The name is a C string: a zero byte ends it.
    bytes.resize(std::strlen(bytes.c_str()));
    ShortName result;
    if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) == kDeletedMarker) {
        bytes[0] = '_';
        result.deleted = true;
    } else if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) == kEscapedE5) {
        bytes[0] = static_cast<char>(kDeletedMarker);
    }
    result.text = Cp437ToUtf8(bytes);
    return result;
}

std::optional<std::string> ReadLongName(disk::ByteView sector, std::size_t offset,
                                        std::uint64_t sectorNumber, const LookbackSource& source) {
    // The entries are read in place; a sector before this one is fetched into `earlier`.
    unsigned char earlier[disk::kSectorBytes];
    disk::ByteView view = sector.sub(0, disk::kSectorBytes);
    // At most one entry's units past the limit: the limit is tested before each entry.
    std::array<std::uint16_t, kMaxLongNameUnits + kUnitsPerEntry> units;
    std::size_t count = 0;
    long pos = static_cast<long>(offset);
    std::uint64_t current = sectorNumber;
    for (unsigned entries = 1;; ++entries) {
        if (count > kMaxLongNameUnits)
            break;
        pos -= static_cast<long>(kEntrySize);
        if (pos < 0) {
            --current;
            source.fetch(current, earlier);
            view = disk::ByteView(earlier, sizeof earlier);
            pos = static_cast<long>(disk::kSectorBytes - kEntrySize);
        }
        // Bytes missing from a short view read as zeros, as on a zero-padded sector.
        const disk::ByteView entry = view.sub(static_cast<std::uint64_t>(pos), kEntrySize);
        if (!isLongNameEntry(entry)) {
            if (count == 0 || count % kUnitsPerEntry != 0)
                return std::nullopt;
            break;
        }
        bool terminated = false;
        for (std::size_t off : kLongNameUnits) {
            const std::uint16_t unit = entry.u16(off);
            if (unit == 0) {
                terminated = true;
                break;
            }
            units[count++] = unit;
        }
        if (terminated || entry.u8(0) == kLastLongEntryFlag + entries)
            break;
    }
    if (count == 0)
        return std::nullopt;
    return Utf16ToUtf8(std::span<const std::uint16_t>(units.data(), count));
}

std::optional<DotEntries> FindDotEntries(disk::ByteView sector) {
    const auto named = [](disk::ByteView entry, std::size_t dots) {
        for (std::size_t i = 0; i < 11; ++i)
            if (entry.u8(i) != (i < dots ? '.' : ' '))
                return false;
        return (attributeOf(entry) & kAttrDirectory) != 0;
    };
    std::optional<std::size_t> dot, dotDot;
    for (std::size_t offset = 0; sector.has(offset, kEntrySize); offset += kEntrySize) {
        const disk::ByteView entry = sector.sub(offset, kEntrySize);
        if (entry.u8(0) == 0)
            break;
        if (!dot && named(entry, 1))
            dot = offset;
        else if (!dotDot && named(entry, 2))
            dotDot = offset;
    }
    if (!dot || !dotDot)
        return std::nullopt;
    return DotEntries{*dot, *dotDot};
}

bool HoldsDirectoryEntries(disk::ByteView sector) {
    constexpr std::uint8_t kAttrVolumeLabel = 0x08;
    for (std::size_t at = 0; sector.has(at, kEntrySize); at += kEntrySize) {
        const disk::ByteView entry = sector.sub(at, kEntrySize);
        if (entry.u8(0) == 0)
            return false;
        if (isLongNameEntry(entry) || (attributeOf(entry) & kAttrVolumeLabel) == 0)
            return true;
    }
    return false;
}

bool IsValidEntryName(std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        const long cp = decodeUtf8(name, i);
        if (cp < 0 || (cp >= 1 && cp <= 31) || (cp >= 0x80 && cp <= 0x9F) || cp == 0xFFFD ||
            cp == 0xFFFE || cp == 0xFFFF)
            return false;
        switch (cp) {
        case '"':
        case '\\':
        case '/':
        case '?':
        case '*':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

EntryName EntryNameOf(disk::ByteView sector, std::size_t offset, std::uint64_t sectorNumber,
                      const LookbackSource& source) {
    const disk::ByteView entry = sector.sub(offset, kEntrySize);
    EntryName result;
    if (!entry.has(0, kEntrySize) || entry.u8(0) == 0) {
        result.verdict = EntryVerdict::EndOfDirectory;
        return result;
    }
    if (isDotEntry(entry) || isLongNameEntry(entry))
        return result;
    ShortName shortName = ShortNameOf(entry);
    if (!IsValidEntryName(shortName.text))
        return result;
    std::optional<std::string> longName = ReadLongName(sector, offset, sectorNumber, source);
    std::string name = longName ? std::move(*longName) : std::move(shortName.text);
    // An empty name (a blank short entry) names nothing that could be shown or written.
    if (name.empty() || !IsValidEntryName(name))
        return result;
    result.verdict = EntryVerdict::Accept;
    result.name = std::move(name);
    result.deleted = shortName.deleted;
    return result;
}

} // namespace qr::fat
