#pragma once
// One disk found by the detector, with the values it leaves in the registry store.
#include <cstdint>
#include <string>
#include <vector>

namespace qr::hdd {

struct Geometry {
    std::uint64_t cylinders = 0;
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
};

struct DetectedDisk {
    std::string path; // block device or image file the sectors are read from
    std::uint64_t sizeBytes = 0;
    std::string model;
    std::string mediaType;
    Geometry geometry;
};

inline const std::string kRemovableMedia = "Removable Media";
inline const std::string kFixedMedia = "Fixed Media";
inline const std::string kImageMedia = "Image File";

// The usual translated geometry of a disk that reports none: 63 sectors per track and
// the fewest heads (16, 32, 64, 128, 255) that keep the cylinders at 1024 or below;
// the cylinders are what fits in the size.
Geometry TranslatedGeometry(std::uint64_t sizeBytes);

// Geometry with the given heads and sectors per track, the cylinders from the size.
Geometry GeometryFrom(std::uint64_t sizeBytes, std::uint32_t heads, std::uint32_t sectors);

// The images the user named, in order; an image that cannot be opened or is not a
// file or block device is left out (and reported on stderr).
std::vector<DetectedDisk> DetectImages(const std::vector<std::string>& images);

// The whole disks of the sysfs block folder `sysBlock` (normally /sys/block): sd*,
// mmcblk*, nvme*n*, vd*, xvd*, hd*, and loop devices with a backing file; devices
// without a medium (size 0) are left out. Device paths are `devDir` + "/" + name.
std::vector<DetectedDisk> DetectBlockDevices(const std::string& sysBlock,
                                             const std::string& devDir);

} // namespace qr::hdd
