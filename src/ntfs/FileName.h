#pragma once
// The file-name value (the value of a 0x30 attribute and the key of an index entry):
// parent, creation time, flags and the name in UTF-16, given as UTF-8.
#include "disk/ByteView.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qr::ntfs {

enum NameSpace : std::uint8_t { kPosixName = 0, kLongName = 1, kShortName = 2, kLongAndShort = 3 };

struct FileNameValue {
    std::uint32_t parent = 0; // low 32 bits of the parent reference
    std::int64_t created = 0; // 100 ns units since 1601
    std::uint32_t flags = 0;
    std::uint8_t nameSpace = 0;
    std::string name; // UTF-8
};

// Decodes a file-name value; nothing when the value is too short for its header or
// its name runs past the value.
std::optional<FileNameValue> DecodeFileName(disk::ByteView value);

// UTF-16LE code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf16LeToUtf8(disk::ByteView bytes, std::size_t units);

} // namespace qr::ntfs
