#pragma once
// Where the disk geometry lives in the registry store: the values the detection
// program leaves for every disk it finds, named "Disk" + disk number.
#include "platform/RegistryStore.h"

#include <array>
#include <string>
#include <vector>

namespace qr::disk {

inline const std::string kMediaKey = "Quarrixdale Removal Media";
// Subkeys of kMediaKey holding one value per disk.
inline const std::string kCylinderKey = kMediaKey + "\\Cylinder";
inline const std::string kHeadKey = kMediaKey + "\\Head";
inline const std::string kMediaTypeKey = kMediaKey + "\\MediaType";
inline const std::string kModelKey = kMediaKey + "\\Model";
inline const std::string kSectorsPerTrackKey = kMediaKey + "\\SectorsPerTrack";
inline const std::string kSizeKey = kMediaKey + "\\Size";
inline const std::string kDisplayDeviceKey = kMediaKey + "\\DisplayDevice";
// The block device or image file behind each disk number (read into DevicePathTable).
inline const std::string kPathKey = kMediaKey + "\\Path";
// Disk images the user named, "Image0", "Image1", ...: the detector lists them first.
inline const std::string kImagesKey = kMediaKey + "\\Images";

// Every geometry subkey: removed by each listing, created again before detection.
inline const std::array<std::string, 8> kGeometryKeys = {
    kCylinderKey,        kHeadKey, kMediaTypeKey,     kModelKey,
    kSectorsPerTrackKey, kSizeKey, kDisplayDeviceKey, kPathKey};

// Disk numbers the listing looks at.
inline constexpr unsigned kListedDiskSlots = 26;

// File name of the detection program in the installation folder.
inline const std::string kDetectorProgram = "Quarrixdale-HDD";

inline std::string diskValueName(unsigned disk) {
    return "Disk" + std::to_string(disk);
}

// Replaces the list of disk images that the next detection lists first.
void RegisterDiskImages(platform::RegistryStore& store, const std::vector<std::string>& images);
std::vector<std::string> RegisteredDiskImages(platform::RegistryStore& store);

} // namespace qr::disk
