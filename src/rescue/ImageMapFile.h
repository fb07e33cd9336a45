#pragma once
// The rescue map that goes with a disk image: where it lies beside the image, and what
// it does to the image's reads (the sectors it did not rescue read as unreadable).
#include <optional>
#include <string>
#include <vector>

namespace qr::disk {
class SectorReader;
}

namespace qr::rescue {

// The map an imaging run of the wizard keeps beside IMAGE: IMAGE.map.
std::string MapPathFor(const std::string& image);
// The names ddrescue users give an image's map, in the order they are looked for:
// IMAGE.map, IMAGE.mapfile, IMAGE.log, then the same with the image's extension
// replaced (disk.img -> disk.map, ...).
std::vector<std::string> MapNamesBeside(const std::string& image);
// The first of those that is a file; nullopt when none is.
std::optional<std::string> MapBesideImage(const std::string& image);

// Reads the map at `map` against the image's size and makes every sector it did not
// rescue read as unreadable through `reader`, whose reads of the image go to the name
// `image`. Empty on success, else why the map was refused ("MAP:LINE: why").
std::string ApplyImageMap(disk::SectorReader& reader, const std::string& image,
                          const std::string& map);

} // namespace qr::rescue
