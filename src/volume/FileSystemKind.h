#pragma once
// The file systems the engines know, converted from and to their names in one place.
#include <string>
#include <string_view>

namespace qr::volume {

// FAT12 is recognised and named, but not searched: no engine reads it.
enum class FileSystemKind { None, Fat12, Fat16, Fat32, Ntfs, ExFat };

// "FAT12", "FAT16", "FAT32", "NTFS", "exFAT"; anything else is None.
FileSystemKind FileSystemKindFromName(std::string_view name);
// The name of a kind as tables, logs and windows show it ("" for None).
std::string FileSystemName(FileSystemKind kind);

// What the program says of a volume it recognises but does not search (FAT12).
inline constexpr const char* kFat12NotSearched =
    "This is a FAT12 volume. FAT12 volumes are not searched: the search reads FAT16, FAT32, "
    "NTFS and exFAT volumes.";

// FAT16 and FAT32, the FAT kinds the FAT engine searches.
inline bool IsFat(FileSystemKind kind) {
    return kind == FileSystemKind::Fat16 || kind == FileSystemKind::Fat32;
}

} // namespace qr::volume
