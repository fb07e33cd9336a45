#pragma once
// The state of an imaging run as GNU ddrescue keeps it in its mapfile: the position and
// phase the copy was at, then contiguous blocks `pos size status` that cover the whole
// medium. Block states: '?' not tried yet, '*' failed in a large read and its edges not
// trimmed yet, '/' trimmed and left to scrape sector by sector, '-' bad sectors,
// '+' rescued. ddrescue and ddrescuelog read the maps written here, and ours reads theirs.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qr::rescue {

enum class BlockState : char {
    NotTried = '?',
    NotTrimmed = '*',
    NotScraped = '/',
    Bad = '-',
    Rescued = '+',
};

struct MapBlock {
    std::uint64_t pos = 0;
    std::uint64_t size = 0;
    BlockState state = BlockState::NotTried;
    std::uint64_t end() const { return pos + size; }
};

// The phase a run was in: '?' copying, '*' trimming, '/' scraping, '-' retrying,
// '+' finished (ddrescue's own letters; F and G of its fill and generate modes are read
// but never written).
using Phase = char;

class RescueMap {
public:
    // One block of `size` bytes not tried yet (nothing when `size` is 0).
    explicit RescueMap(std::uint64_t size = 0);

    std::uint64_t size() const { return size_; }
    const std::vector<MapBlock>& blocks() const { return blocks_; }

    // Gives [pos, pos+size) (clamped to the medium) the state `state`, splitting and
    // joining blocks so neighbours never share a state.
    void mark(std::uint64_t pos, std::uint64_t size, BlockState state);
    // The state of the byte at `pos` (Rescued past the end).
    BlockState stateAt(std::uint64_t pos) const;
    // Bytes and blocks (areas) in `state`.
    std::uint64_t bytesIn(BlockState state) const;
    std::uint64_t areasIn(BlockState state) const;
    // The first block in `state` at or after `pos` (forward), or the last one that
    // starts before `pos` (backward); nullopt when there is none.
    std::optional<MapBlock> nextIn(BlockState state, std::uint64_t pos, bool forward) const;

    std::uint64_t currentPos = 0;
    Phase currentPhase = '?';
    int currentPass = 1;

private:
    std::uint64_t size_ = 0;
    std::vector<MapBlock> blocks_;
};

// Why a mapfile was refused and on which line (1-based; the last line read when the
// file ends too soon).
struct MapRefusal {
    std::size_t line = 0;
    std::string why;
};

struct MapRead {
    std::optional<RescueMap> map;
    MapRefusal refusal; // when map is empty
};

// Reads a mapfile for a medium of `mediumSize` bytes. Comments and blank lines are
// skipped; the status line comes first, then blocks that start at 0, follow each other
// without gap or overlap and end exactly at the medium's end.
MapRead ReadRescueMap(std::istream& in, std::uint64_t mediumSize);

// Writes `map` in ddrescue's layout, with `commandLine` in the header comment.
void WriteRescueMap(std::ostream& out, const RescueMap& map, const std::string& commandLine);

// Writes the map to `path` through a temporary file renamed over it, so a crash leaves
// either the old map or the new one. False when it cannot be written.
bool SaveRescueMap(const std::string& path, const RescueMap& map, const std::string& commandLine);

} // namespace qr::rescue
