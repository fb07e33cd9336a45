#include "disk/DiskDetails.h"

#include "disk/DiskRegistry.h"

#include <charconv>

namespace qr::disk {

namespace {

std::string readValue(platform::RegistryStore* registry, const std::string& key, unsigned disk) {
    return registry ? platform::ReadRegistryString(*registry, platform::RegistryRoot::ClassesRoot,
                                                   key, diskValueName(disk))
                    : std::string();
}

} // namespace

std::uint64_t DiskSizeBytes(platform::RegistryStore* registry, unsigned disk) {
    const std::string text = readValue(registry, kSizeKey, disk);
    std::uint64_t bytes = 0;
    std::from_chars(text.data(), text.data() + text.size(), bytes);
    return bytes;
}

std::string DiskSummary(platform::RegistryStore* registry, unsigned disk) {
    std::string summary = "Disk" + std::to_string(disk) + " :";
    const std::uint64_t bytes = DiskSizeBytes(registry, disk);
    const std::string parts[] = {readValue(registry, kModelKey, disk),
                                 bytes ? std::to_string(bytes / 1048576) + " MB" : "",
                                 readValue(registry, kPathKey, disk)};
    const char* separator = " ";
    for (const std::string& part : parts)
        if (!part.empty()) {
            summary += separator + part;
            separator = ", ";
        }
    return summary;
}

bool DiskIsListed(platform::RegistryStore* registry, bool win95, unsigned disk) {
    return !readValue(registry, win95 ? kCylinderKey : kMediaKey, disk).empty();
}

std::vector<std::string> DiskDetailLines(platform::RegistryStore* registry, bool shortForm,
                                         unsigned disk) {
    const std::string megabytes = std::to_string(DiskSizeBytes(registry, disk) / 1048576);
    if (shortForm)
        return {"Physical Disk Number           : " + std::to_string(disk),
                "Cylinder   : " + readValue(registry, kCylinderKey, disk),
                "Head   : " + readValue(registry, kHeadKey, disk),
                "SectorsPerTrack   : " + readValue(registry, kSectorsPerTrackKey, disk),
                "Disk Size  : " + megabytes + " MB"};
    return {"Physical Disk Number           : " + std::to_string(disk),
            "Model                                    : " + readValue(registry, kModelKey, disk),
            "Media Type                           : " + readValue(registry, kMediaTypeKey, disk),
            "Cylinder                                 : " + readValue(registry, kCylinderKey, disk),
            "Head                                     : " + readValue(registry, kHeadKey, disk),
            "SectorsPerTrack                   : " + readValue(registry, kSectorsPerTrackKey, disk),
            "Disk Size                               : " + megabytes + " MB"};
}

} // namespace qr::disk
