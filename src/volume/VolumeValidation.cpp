#include "volume/VolumeValidation.h"

#include "disk/SectorSource.h"
#include "volume/VolumeParams.h"

namespace qr::volume {

int ValidateVolume(disk::SectorSource* source, VolumeParams& params, std::string* why) {
    const FileSystemKind kind = params.kind();
    if (!source && kind != FileSystemKind::None && kind != FileSystemKind::ExFat) {
        if (why)
            *why = "no medium";
        return 0;
    }
    switch (kind) {
    case FileSystemKind::Fat12:
        if (why)
            *why = kFat12NotSearched;
        return 0;
    case FileSystemKind::Fat16:
        return ValidateFat16Volume(*source, params, why);
    case FileSystemKind::Fat32:
        return ValidateFat32Volume(*source, params, why);
    case FileSystemKind::Ntfs:
        return ValidateNtfsVolume(*source, params, why);
    case FileSystemKind::ExFat:
        return ValidateExfatVolume(source, params, why);
    default:
        if (why)
            *why = "no file system named (FAT16, FAT32, NTFS or exFAT)";
        return 0;
    }
}

} // namespace qr::volume
