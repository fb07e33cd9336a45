#pragma once
// A picture of a rescue map: the medium cut into equal cells, each coloured by the
// worst of what it holds, so one bad sector in a large cell still shows.
#include "rescue/RescueMap.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace qr::rescue {

// In rising order of weight: a cell takes the heaviest state of its bytes.
enum class MapCell : std::uint8_t {
    Rescued,
    NotTried,
    Slow, // rescued, but read slowly
    Bad,  // failed, or still to trim or scrape
};

// `cells` cells over the map's medium (none when the medium is empty); `slow` holds
// [first byte, end) areas that read slowly.
std::vector<MapCell> MapCells(const RescueMap& map,
                              const std::vector<std::pair<std::uint64_t, std::uint64_t>>& slow,
                              std::size_t cells);

} // namespace qr::rescue
