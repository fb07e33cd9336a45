#include "ntfs/FileName.h"

#include "fat/TextEncoding.h"

#include <vector>

namespace qr::ntfs {

namespace {
constexpr std::uint32_t kNameAt = 0x42;
}

std::string Utf16LeToUtf8(disk::ByteView bytes, std::size_t units) {
    std::vector<std::uint16_t> code;
    code.reserve(units);
    for (std::size_t i = 0; i < units && bytes.has(2 * i, 2); ++i)
        code.push_back(bytes.u16(2 * i));
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
