#include "rescue/ImageMapFile.h"

#include "disk/SectorReader.h"
#include "rescue/RescueMap.h"

#include <filesystem>
#include <fstream>

namespace qr::rescue {

namespace fs = std::filesystem;

namespace {

const char* const kMapExtensions[] = {".map", ".mapfile", ".log"};

} // namespace

std::string MapPathFor(const std::string& image) {
    return image + kMapExtensions[0];
}

std::vector<std::string> MapNamesBeside(const std::string& image) {
    std::vector<std::string> names;
    for (const char* extension : kMapExtensions)
        names.push_back(image + extension);
    if (const fs::path path(image); path.has_extension())
        for (const char* extension : kMapExtensions)
            names.push_back(fs::path(path).replace_extension(extension).string());
    return names;
}

std::optional<std::string> MapBesideImage(const std::string& image) {
    for (const std::string& name : MapNamesBeside(image)) {
        std::error_code ec;
        if (fs::is_regular_file(name, ec) && !fs::equivalent(name, image, ec))
            return name;
    }
    return std::nullopt;
}

std::string ApplyImageMap(disk::SectorReader& reader, const std::string& image,
                          const std::string& map) {
    std::error_code ec;
    const std::uint64_t size = fs::file_size(image, ec);
    std::ifstream in(map);
    if (ec || !in)
        return "cannot read the map '" + map + "'";
    const MapRead read = ReadRescueMap(in, size);
    if (!read.map)
        return map + ":" + std::to_string(read.refusal.line) + ": " + read.refusal.why;
    for (const MapBlock& block : read.map->blocks())
        if (block.state != BlockState::Rescued) {
            const std::uint64_t first = block.pos / disk::kSectorBytes;
            const std::uint64_t end = (block.end() + disk::kSectorBytes - 1) / disk::kSectorBytes;
            reader.presetUnreadable(image, first, end - first);
        }
    return {};
}

} // namespace qr::rescue
