#include "ntfs/FileName.h"

#include "fat/TextEncoding.h"

#include <algorithm>
#include <vector>

namespace qr::ntfs {

namespace {
constexpr std::uint32_t kNameAt = 0x42;
}

std::string Utf16LeToUtf8(disk::ByteView bytes, std::size_t units) {
    units = std::min(units, bytes.size() / 2);
    // Most names are ASCII: no detour through code units then.
    bool ascii = true;
    for (std::size_t i = 0; i < units && ascii; ++i)
        ascii = bytes.u16(2 * i) < 0x80;
    if (ascii) {
        std::string name(units, '\0');
        for (std::size_t i = 0; i < units; ++i)
            name[i] = static_cast<char>(bytes.data()[2 * i]);
        return name;
    }
    std::vector<std::uint16_t> code(units);
    for (std::size_t i = 0; i < units; ++i)
        code[i] = bytes.u16(2 * i);
    return fat::Utf16ToUtf8(code);
}

std::optional<FileNameValue> DecodeFileName(disk::ByteView value) {
    if (!value.has(0, kNameAt))
        return std::nullopt;
    const std::uint8_t units = value.u8(0x40);
    if (!value.has(kNameAt, std::uint64_t{units} * 2))
        return std::nullopt;
    FileNameValue name;
    name.parent = value.u32(0x00);
    name.created = static_cast<std::int64_t>(value.u64(0x08));
    name.flags = value.u32(0x38);
    name.nameSpace = value.u8(0x41);
    name.name = Utf16LeToUtf8(value.sub(kNameAt, std::uint64_t{units} * 2), units);
    return name;
}

} // namespace qr::ntfs
