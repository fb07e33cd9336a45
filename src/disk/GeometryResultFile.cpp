#include "disk/GeometryResultFile.h"

#include <algorithm>

namespace qr::disk {

namespace {

// Width byte, unused byte, value, three unused bytes.
constexpr std::uint64_t kValueOffset = 2;
constexpr std::uint64_t kTrailer = 3;

struct Field {
    bool read = false;
    std::uint64_t value = 0;
    std::uint64_t next = 0; // offset of the next field
};

Field readField(ByteView bytes, std::uint64_t at, bool cylinderWidths) {
    Field field;
    if (!bytes.has(at, 1))
        return field;
    const unsigned width = bytes.u8(at);
    const bool accepted = cylinderWidths ? (width == 2 || width == 4) : width <= 4;
    field.next = at + kValueOffset + width + kTrailer;
    if (!accepted || !bytes.has(at + kValueOffset, width))
        return field;
    field.read = true;
    field.value = width == 0 ? 0 : bytes.uN(at + kValueOffset, width);
    return field;
}

void put(std::vector<unsigned char>& out, unsigned width, std::uint64_t value, bool trailer) {
    out.push_back(static_cast<unsigned char>(width));
    out.push_back(0);
    for (unsigned i = 0; i < width; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    if (trailer)
        out.insert(out.end(), kTrailer, 0);
}

} // namespace

GeometryRecord ReadGeometryRecord(ByteView bytes) {
    GeometryRecord record;
    const Field heads = readField(bytes, 0, false);
    if (!heads.read)
        return record;
    record.heads = static_cast<std::uint32_t>(heads.value & 0xFFFF);
    const Field sectors = readField(bytes, heads.next, false);
    if (!sectors.read)
        return record;
    record.sectorsPerTrack = static_cast<std::uint32_t>(sectors.value & 0xFFFF);
    const Field cylinders = readField(bytes, sectors.next, true);
    if (!cylinders.read)
        return record;
    record.cylinders = static_cast<std::uint32_t>(cylinders.value);
    record.complete = true;
    return record;
}

std::vector<unsigned char> EncodeGeometryRecord(std::uint32_t heads, std::uint32_t sectorsPerTrack,
                                                std::uint64_t cylinders) {
    std::vector<unsigned char> out;
    put(out, 2, heads & 0xFFFF, true);
    put(out, 2, sectorsPerTrack & 0xFFFF, true);
    const std::uint64_t capped = std::min<std::uint64_t>(cylinders, 0xFFFFFFFF);
    put(out, capped > 0xFFFF ? 4 : 2, capped, false);
    return out;
}

} // namespace qr::disk
