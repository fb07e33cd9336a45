#pragma once
// The file systems the engines know; their names come from the engine registry.
#include <string>
#include <string_view>

namespace qr::volume {

// FAT12 is recognised and named, but not searched: no engine reads it.
enum class FileSystemKind { None, Fat12, Fat16, Fat32, Ntfs, ExFat };

// The kind of a registered file-system name; anything else is None.
FileSystemKind FileSystemKindFromName(std::string_view name);
// The name of a kind as tables, logs and windows show it ("" for None).
std::string FileSystemName(FileSystemKind kind);

} // namespace qr::volume
