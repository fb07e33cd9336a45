#pragma once
// The file systems the engines know, converted from and to their names in one place.
#include <string>
#include <string_view>

namespace qr::volume {

enum class FileSystemKind { None, Fat16, Fat32, Ntfs, ExFat };

// "FAT16", "FAT32", "NTFS", "exFAT"; anything else is None.
FileSystemKind FileSystemKindFromName(std::string_view name);
// The name of a kind as tables, logs and windows show it ("" for None).
std::string FileSystemName(FileSystemKind kind);

inline bool IsFat(FileSystemKind kind) {
    return kind == FileSystemKind::Fat16 || kind == FileSystemKind::Fat32;
}

} // namespace qr::volume
