#include "volume/FileSystemKind.h"

namespace qr::volume {

FileSystemKind FileSystemKindFromName(std::string_view name) {
    if (name == "FAT12")
        return FileSystemKind::Fat12;
    if (name == "FAT16")
        return FileSystemKind::Fat16;
    if (name == "FAT32")
        return FileSystemKind::Fat32;
    if (name == "NTFS")
        return FileSystemKind::Ntfs;
    if (name == "exFAT")
        return FileSystemKind::ExFat;
    return FileSystemKind::None;
}

std::string FileSystemName(FileSystemKind kind) {
    switch (kind) {
    case FileSystemKind::Fat12:
        return "FAT12";
    case FileSystemKind::Fat16:
        return "FAT16";
    case FileSystemKind::Fat32:
        return "FAT32";
    case FileSystemKind::Ntfs:
        return "NTFS";
    case FileSystemKind::ExFat:
        return "exFAT";
    case FileSystemKind::None:
        break;
    }
    return "";
}

} // namespace qr::volume
