#include "rescue/MapCells.h"

#include <algorithm>

namespace qr::rescue {

namespace {

MapCell cellOf(BlockState state) {
    switch (state) {
    case BlockState::Rescued:
        return MapCell::Rescued;
    case BlockState::NotTried:
        return MapCell::NotTried;
    case BlockState::NotTrimmed:
    case BlockState::NotScraped:
    case BlockState::Bad:
        break;
    }
    return MapCell::Bad;
}

} // namespace

std::vector<MapCell> MapCells(const RescueMap& map,
                              const std::vector<std::pair<std::uint64_t, std::uint64_t>>& slow,
                              std::size_t cells) {
    const std::uint64_t size = map.size();
    if (size == 0 || cells == 0)
        return {};
    std::vector<MapCell> picture(cells, MapCell::Rescued);
    // Bytes [first, end) cover cells [first * cells / size, ceil(end * cells / size)),
    // so a cell narrower than a byte still belongs to one; 128 bits cannot overflow.
    const auto scaled = [&](std::uint64_t pos, bool up) {
        const unsigned __int128 product = static_cast<unsigned __int128>(pos) * cells;
        return static_cast<std::size_t>((product + (up ? size - 1 : 0)) / size);
    };
    const auto paint = [&](std::uint64_t first, std::uint64_t end, MapCell state) {
        end = std::min(end, size);
        if (first >= end)
            return;
        for (std::size_t cell = scaled(first, false), last = scaled(end, true); cell < last; ++cell)
            picture[cell] = std::max(picture[cell], state);
    };
    for (const MapBlock& block : map.blocks())
        paint(block.pos, block.end(), cellOf(block.state));
    for (const auto& [first, end] : slow)
        paint(first, end, MapCell::Slow);
    return picture;
}

} // namespace qr::rescue
