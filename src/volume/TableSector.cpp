#include "volume/TableSector.h"

#include <algorithm>
#include <array>

namespace qr::volume {
namespace {

constexpr std::size_t kFirstEntry = 0x1BE;
constexpr std::size_t kEntrySize = 16;

struct Entry {
    std::uint8_t status = 0;
    std::uint8_t type = 0;
    std::uint64_t start = 0;
    std::uint64_t sectors = 0;
};

std::array<Entry, 4> entriesOf(disk::ByteView s) {
    std::array<Entry, 4> entries{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = kFirstEntry + i * kEntrySize;
        entries[i] = {s.u8(at), s.u8(at + 4), s.u32(at + 8), s.u32(at + 12)};
    }
    return entries;
}

bool empty(const Entry& e) {
    return e.type == 0;
}

bool possible(const Entry& e, std::uint64_t diskSectors) {
    return e.start > 0 && e.sectors > 0 && (diskSectors == 0 || e.start < diskSectors);
}

} // namespace

bool TableFailed(disk::ByteView s, std::uint64_t diskSectors) {
    // One of the two signature bytes is enough, as the table reader has it.
    if (s.u8(0x1FE) != 0x55 && s.u8(0x1FF) != 0xAA)
        return true;
    const auto entries = entriesOf(s);
    return std::none_of(entries.begin(), entries.end(),
                        [&](const Entry& e) { return !empty(e) && possible(e, diskSectors); });
}

bool HasGptEntry(disk::ByteView s) {
    if (s.u8(0x1FE) != 0x55 && s.u8(0x1FF) != 0xAA)
        return false;
    const auto entries = entriesOf(s);
    return std::any_of(entries.begin(), entries.end(),
                       [](const Entry& e) { return e.type == 0xEE; });
}

std::optional<BootSectorVolume> WholeDiskVolume(disk::ByteView s, std::uint64_t diskSectors,
                                                std::uint64_t subSectors) {
    auto volume = RecogniseBootSector(s, 0, diskSectors * subSectors);
    if (!volume)
        return std::nullopt;
    volume->sectors /= subSectors;
    volume->systemSectors /= subSectors;
    std::array<Entry, 4> used{};
    std::size_t count = 0;
    for (const Entry& e : entriesOf(s)) {
        if (empty(e))
            continue;
        const bool credible = (e.status == 0x00 || e.status == 0x80) && possible(e, diskSectors) &&
                              e.start >= volume->systemSectors &&
                              (diskSectors == 0 || e.sectors <= diskSectors - e.start);
        if (!credible)
            return volume;
        for (std::size_t i = 0; i < count; ++i)
            if (e.start < used[i].start + used[i].sectors && used[i].start < e.start + e.sectors)
                return volume;
        used[count++] = e;
    }
    return count == 0 ? volume : std::nullopt;
}

} // namespace qr::volume
