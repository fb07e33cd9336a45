#pragma once
// Where an imaging run may write: never on the medium it copies, the map and the image
// never the medium or each other, and the image's folder with room for the disk.
#include <cstdint>
#include <optional>
#include <string>

namespace qr::rescue {

// Empty when `image` (and `map`, when given) may receive a copy of `medium`, a disk of
// `size` bytes; else why not. A run that resumes needs room only for what the image
// does not hold yet.
std::string ImageDestinationRefusal(const std::string& medium, const std::string& image,
                                    const std::optional<std::string>& map, std::uint64_t size,
                                    bool resuming);

} // namespace qr::rescue
