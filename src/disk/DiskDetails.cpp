#include "disk/DiskDetails.h"

#include "app/RecoveryContext.h"
#include "disk/DiskRegistry.h"

#include <charconv>

namespace qr::disk {

namespace {

std::string readValue(app::RecoveryContext& ctx, const std::string& key, unsigned disk) {
    return ctx.registry
               ? platform::ReadRegistryString(*ctx.registry, platform::RegistryRoot::ClassesRoot,
                                              key, diskValueName(disk))
               : std::string();
}

} // namespace

std::uint64_t DiskSizeBytes(app::RecoveryContext& ctx, unsigned disk) {
    const std::string text = readValue(ctx, kSizeKey, disk);
    std::uint64_t bytes = 0;
    std::from_chars(text.data(), text.data() + text.size(), bytes);
    return bytes;
}

bool DiskIsListed(app::RecoveryContext& ctx, unsigned disk) {
    return !readValue(ctx, ctx.platform == app::PlatformFamily::Win95 ? kCylinderKey : kMediaKey,
                      disk)
                .empty();
}

std::vector<std::string> DiskDetailLines(app::RecoveryContext& ctx, unsigned disk) {
    const std::string megabytes = std::to_string(DiskSizeBytes(ctx, disk) / 1048576);
    if (ctx.platform == app::PlatformFamily::Win95)
        return {"Physical Disk Number           : " + std::to_string(disk),
                "Cylinder   : " + readValue(ctx, kCylinderKey, disk),
                "Head   : " + readValue(ctx, kHeadKey, disk),
                "SectorsPerTrack   : " + readValue(ctx, kSectorsPerTrackKey, disk),
                "Disk Size  : " + megabytes + " MB"};
    return {"Physical Disk Number           : " + std::to_string(disk),
            "Model                                    : " + readValue(ctx, kModelKey, disk),
            "Media Type                           : " + readValue(ctx, kMediaTypeKey, disk),
            "Cylinder                                 : " + readValue(ctx, kCylinderKey, disk),
            "Head                                     : " + readValue(ctx, kHeadKey, disk),
            "SectorsPerTrack                   : " + readValue(ctx, kSectorsPerTrackKey, disk),
            "Disk Size                               : " + megabytes + " MB"};
}

} // namespace qr::disk
