#include "rescue/RescueMap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <string_view>

namespace qr::rescue {

RescueMap::RescueMap(std::uint64_t size) : size_(size) {
    if (size > 0)
        blocks_.push_back({0, size, BlockState::NotTried});
}

void RescueMap::mark(std::uint64_t pos, std::uint64_t size, BlockState state) {
    if (pos >= size_ || size == 0)
        return;
    const std::uint64_t end = pos + std::min(size, size_ - pos);
    // The blocks [first, last] hold the bytes being marked.
    const auto after = [](std::uint64_t at, const MapBlock& b) { return at < b.pos; };
    const auto first = std::upper_bound(blocks_.begin(), blocks_.end(), pos, after) - 1;
    const auto last = std::upper_bound(blocks_.begin(), blocks_.end(), end - 1, after) - 1;
    std::vector<MapBlock> middle;
    if (first->pos < pos)
        middle.push_back({first->pos, pos - first->pos, first->state});
    middle.push_back({pos, end - pos, state});
    if (last->end() > end)
        middle.push_back({end, last->end() - end, last->state});
    const auto at = blocks_.erase(first, last + 1);
    const std::size_t from = static_cast<std::size_t>(at - blocks_.begin());
    blocks_.insert(at, middle.begin(), middle.end());
    // Join equal neighbours around what was inserted.
    const std::size_t lo = from > 0 ? from - 1 : 0;
    const std::size_t hi = std::min(blocks_.size(), from + middle.size() + 1);
    std::size_t out = lo;
    for (std::size_t i = lo + 1; i < hi; ++i) {
        if (blocks_[i].state == blocks_[out].state)
            blocks_[out].size += blocks_[i].size;
        else
            blocks_[++out] = blocks_[i];
    }
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(out + 1),
                  blocks_.begin() + static_cast<std::ptrdiff_t>(hi));
}

BlockState RescueMap::stateAt(std::uint64_t pos) const {
    if (pos >= size_)
        return BlockState::Rescued;
    const auto it =
        std::upper_bound(blocks_.begin(), blocks_.end(), pos,
                         [](std::uint64_t at, const MapBlock& b) { return at < b.pos; });
    return (it - 1)->state;
}

std::uint64_t RescueMap::bytesIn(BlockState state) const {
    std::uint64_t total = 0;
    for (const MapBlock& b : blocks_)
        if (b.state == state)
            total += b.size;
    return total;
}

std::uint64_t RescueMap::areasIn(BlockState state) const {
    return static_cast<std::uint64_t>(std::count_if(
        blocks_.begin(), blocks_.end(), [state](const MapBlock& b) { return b.state == state; }));
}

std::optional<MapBlock> RescueMap::nextIn(BlockState state, std::uint64_t pos, bool forward) const {
    if (forward) {
        for (const MapBlock& b : blocks_)
            if (b.state == state && b.end() > pos)
                return MapBlock{std::max(b.pos, pos), b.end() - std::max(b.pos, pos), state};
        return std::nullopt;
    }
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it)
        if (it->state == state && it->pos < pos)
            return MapBlock{it->pos, std::min(it->end(), pos) - it->pos, state};
    return std::nullopt;
}

namespace {

constexpr const char* kBlockStates = "?*/-+";
constexpr const char* kPhases = "?*/-FG+";

// A whole number as ddrescue writes it (0x hex) or as a person may (decimal).
bool parseNumber(const std::string& word, std::uint64_t& value) {
    if (word.empty() || word[0] == '-' || word[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    value = std::strtoull(word.c_str(), &end, hex ? 16 : 10);
    return errno == 0 && end && *end == '\0';
}

bool oneLetterOf(const std::string& word, const char* letters) {
    return word.size() == 1 && std::string_view(letters).find(word[0]) != std::string_view::npos;
}

} // namespace

MapRead ReadRescueMap(std::istream& in, std::uint64_t mediumSize) {
    MapRead result;
    RescueMap map(0);
    std::vector<MapBlock> blocks;
    bool haveStatus = false;
    std::uint64_t covered = 0;
    std::size_t lineNumber = 0;
    const auto refuse = [&](std::string why) {
        result.refusal = {lineNumber, std::move(why)};
        return result;
    };
    std::string line;
    constexpr std::size_t kMaxLines = 100'000'000; // far beyond any medium's map
    while (lineNumber < kMaxLines && std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t text = line.find_first_not_of(" \t");
        if (text == std::string::npos || line[text] == '#')
            continue;
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string w; words >> w && fields.size() < 4;)
            fields.push_back(w);
        if (!haveStatus) {
            std::uint64_t pos = 0, pass = 1;
            if (fields.size() < 2 || fields.size() > 3 || !parseNumber(fields[0], pos) ||
                !oneLetterOf(fields[1], kPhases) ||
                (fields.size() == 3 && (!parseNumber(fields[2], pass) || pass > 1000)))
                return refuse("the status line is not \"position status [pass]\"");
            map.currentPos = pos;
            map.currentPhase = fields[1][0];
            map.currentPass = static_cast<int>(pass);
            haveStatus = true;
            continue;
        }
        MapBlock block;
        if (fields.size() != 3 || !parseNumber(fields[0], block.pos) ||
            !parseNumber(fields[1], block.size) || !oneLetterOf(fields[2], kBlockStates))
            return refuse("the line is not a block \"position size status\"");
        block.state = static_cast<BlockState>(fields[2][0]);
        if (block.size == 0)
            return refuse("the block is empty");
        if (block.pos < covered)
            return refuse("the block overlaps the one before it");
        if (block.pos > covered)
            return refuse("the block leaves a gap after the one before it");
        if (block.size > mediumSize || block.pos > mediumSize - block.size)
            return refuse("the block runs past the end of the disk (" + std::to_string(mediumSize) +
                          " bytes): the map is of another size");
        covered = block.end();
        blocks.push_back(block);
    }
    if (!haveStatus)
        return refuse("the map has no status line");
    if (covered != mediumSize)
        return refuse("the map ends at byte " + std::to_string(covered) + " of " +
                      std::to_string(mediumSize) + ": it is truncated or of another size");
    RescueMap filled(mediumSize);
    for (const MapBlock& b : blocks)
        filled.mark(b.pos, b.size, b.state);
    filled.currentPos = std::min(map.currentPos, mediumSize);
    filled.currentPhase = map.currentPhase;
    filled.currentPass = map.currentPass;
    result.map = std::move(filled);
    return result;
}

namespace {

std::string hex(std::uint64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%0*llX", width, static_cast<unsigned long long>(value));
    return text;
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace

void WriteRescueMap(std::ostream& out, const RescueMap& map, const std::string& commandLine) {
    out << "# Mapfile. Created by recovery-cli image\n"
        << "# Command line: " << commandLine << "\n"
        << "# Current time: " << now() << "\n";
    if (map.currentPhase == '+')
        out << "# Finished\n";
    out << "# current_pos  current_status  current_pass\n"
        << hex(map.currentPos, 8) << "     " << map.currentPhase << "               "
        << map.currentPass << "\n"
        << "#      pos        size  status\n";
    for (const MapBlock& b : map.blocks())
        out << hex(b.pos, 8) << "  " << hex(b.size, 8) << "  " << static_cast<char>(b.state)
            << "\n";
}

bool SaveRescueMap(const std::string& path, const RescueMap& map, const std::string& commandLine) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        WriteRescueMap(out, map, commandLine);
        out.flush();
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace qr::rescue
