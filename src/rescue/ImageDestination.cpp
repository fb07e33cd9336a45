#include "rescue/ImageDestination.h"

#include "output/DestinationSafety.h"
#include "rescue/RescueStatusText.h"

#include <filesystem>
#include <sys/statvfs.h>

namespace qr::rescue {

namespace fs = std::filesystem;

std::string ImageDestinationRefusal(const std::string& medium, const std::string& image,
                                    const std::optional<std::string>& map, std::uint64_t size,
                                    bool resuming) {
    for (const fs::path& file : {fs::path(image), map ? fs::path(*map) : fs::path()}) {
        if (file.empty())
            continue;
        const fs::path folder = fs::absolute(file).parent_path();
        if (std::string refusal = output::DestinationRefusal(medium, folder.string());
            !refusal.empty())
            return refusal;
        if (std::string refusal = output::OutputFileRefusal(medium, file.string());
            !refusal.empty())
            return refusal;
    }
    std::error_code ec;
    if (map && fs::equivalent(image, *map, ec))
        return "the map and the image are the same file";
    struct statvfs room {};
    if (::statvfs(fs::absolute(image).parent_path().c_str(), &room) != 0)
        return "the image's folder cannot be used";
    const std::uint64_t free = std::uint64_t{room.f_bavail} * room.f_frsize;
    const std::uint64_t have = resuming && fs::exists(image, ec) ? fs::file_size(image, ec) : 0;
    const std::uint64_t need = size > have ? size - have : 0;
    if (free < need)
        return "the destination has " + ByteText(free) + " free and the disk needs " +
               ByteText(need);
    return {};
}

} // namespace qr::rescue
