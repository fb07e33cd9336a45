#include "raw/Mp4Reassembly.h"

#include "raw/Mp4Layout.h"
#include "raw/Mp4SampleCheck.h"
#include "raw/Mp4SampleTable.h"

#include <algorithm>
#include <bit>
#include <chrono>

namespace qr::raw {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kVideoTime{20};
// Reads the checks of one video may make, and those of one candidate's chunks around
// the break.
constexpr std::uint64_t kFileSteps = 1ull << 26;
constexpr std::uint64_t kCandidateSteps = 1ull << 16;
// Video chunks behind the break that must hold at a gap before breaks are tried there.
constexpr unsigned kProbeChunks = 3;

class PlacementSearch {
public:
    PlacementSearch(MediumBytes& medium, const VideoLayout& layout, const Mp4SampleTables& tables,
                    std::uint64_t startByte, std::uint64_t stepBytes)
        : medium_(medium), layout_(layout), tables_(tables), startByte_(startByte),
          step_(stepBytes), until_(Clock::now() + kVideoTime) {}

    std::optional<FilePlacement> run();

private:
    FilePlacement placed(std::uint64_t breakAt, std::uint64_t gap) const {
        return {startByte_, layout_.fileBytes, breakAt, gap};
    }
    const Mp4Track& trackOf(const Mp4Chunk& chunk) const { return tables_.tracks[chunk.track]; }
    bool decides(const Mp4Chunk& chunk) const { return DecidesPlacement(trackOf(chunk)); }
    bool holds(std::size_t from, std::size_t to, const FilePlacement& placement,
               std::uint64_t& steps, bool decidingOnly, JoinScore* score = nullptr) const;
    // The break at gap `gap` among [first, last]: of those where the chunks around it
    // hold, the one whose joined bytes look least like other data.
    std::optional<std::uint64_t> bestBreak(std::uint64_t gap) const;
    bool late() const { return Clock::now() > until_; }

    MediumBytes& medium_;
    const VideoLayout& layout_;
    const Mp4SampleTables& tables_;
    std::uint64_t startByte_;
    std::uint64_t step_;
    Clock::time_point until_;
    // Breaks tried, and the chunks that meet them.
    std::uint64_t first_ = 0;
    std::uint64_t last_ = 0;
    std::size_t localBegin_ = 0;
    std::size_t localEnd_ = 0;
};

bool PlacementSearch::holds(std::size_t from, std::size_t to, const FilePlacement& placement,
                            std::uint64_t& steps, bool decidingOnly, JoinScore* score) const {
    const FileBytesReader read = PlacedFileReader(medium_, placement);
    for (std::size_t i = from; i < to; ++i) {
        const Mp4Chunk& chunk = tables_.chunks[i];
        if ((!decidingOnly || decides(chunk)) &&
            !ChunkHolds(trackOf(chunk), chunk, read, steps, score))
            return false;
    }
    return true;
}

std::optional<std::uint64_t> PlacementSearch::bestBreak(std::uint64_t gap) const {
    std::vector<std::uint64_t> holding;
    for (std::uint64_t b = first_; b <= last_ && !late(); b += step_) {
        std::uint64_t steps = kCandidateSteps;
        if (holds(localBegin_, localEnd_, placed(b, gap), steps, false))
            holding.push_back(b);
    }
    if (holding.size() <= 1)
        return holding.empty() ? std::nullopt : std::optional<std::uint64_t>(holding.front());
    // The candidates differ only in the bytes between the first and the last of them.
    // Of those that score alike, the one on the widest power-of-two boundary that the
    // gap is a multiple of: clusters are such boundaries, and the gap is whole clusters.
    const auto aligned = [&](std::uint64_t b) {
        return std::min(std::countr_zero(b / disk::kSectorBytes),
                        std::countr_zero(gap / disk::kSectorBytes));
    };
    std::optional<std::uint64_t> best;
    std::uint64_t fewest = 0;
    for (const std::uint64_t b : holding) {
        std::uint64_t steps = kCandidateSteps;
        JoinScore score{holding.front(), holding.back()};
        if (late() || !holds(localBegin_, localEnd_, placed(b, gap), steps, false, &score))
            continue;
        if (!best || score.oddities < fewest ||
            (score.oddities == fewest && aligned(b) > aligned(*best))) {
            best = b;
            fewest = score.oddities;
        }
    }
    return best;
}

std::optional<FilePlacement> PlacementSearch::run() {
    const auto& chunks = tables_.chunks;
    const std::uint64_t fileBytes = layout_.fileBytes;
    // The break lies in [low, high]: behind what reads in one run, before the first video
    // chunk that does not hold there.
    std::uint64_t low = layout_.heldBytes;
    std::uint64_t high = layout_.gap ? layout_.gapAt : fileBytes;
    bool broken = false;
    std::uint64_t steps = kFileSteps;
    for (std::size_t i = 0; i < chunks.size() && chunks[i].offset < high && !broken; ++i) {
        const Mp4Chunk& chunk = chunks[i];
        if (!decides(chunk))
            continue;
        if (holds(i, i + 1, placed(fileBytes, 0), steps, true)) {
            // Only the samples' first bytes were read: the break may lie behind the last one's.
            const std::uint32_t lastSample = chunk.firstSample + chunk.samples - 1;
            low = std::max(low,
                           chunk.offset + chunk.bytes - trackOf(chunk).sampleSizes[lastSample] + 1);
        } else {
            high = std::min(high, chunk.offset + chunk.bytes - 1);
            broken = true;
        }
        if (late())
            return std::nullopt;
    }
    if (!broken && !layout_.gap)
        return std::nullopt; // in one run, or nothing tells where it broke
    first_ = std::max(step_, (low + step_ - 1) / step_ * step_);
    last_ = std::min(high, fileBytes - 1);
    if (first_ > last_)
        return std::nullopt;
    while (localBegin_ < chunks.size() &&
           chunks[localBegin_].offset + chunks[localBegin_].bytes <= first_)
        ++localBegin_;
    localEnd_ = localBegin_;
    while (localEnd_ < chunks.size() && chunks[localEnd_].offset <= last_)
        ++localEnd_;
    std::vector<std::size_t> probes;
    for (std::size_t i = localEnd_; i < chunks.size() && probes.size() < kProbeChunks; ++i)
        if (decides(chunks[i]))
            probes.push_back(i);

    const std::uint64_t room = medium_.endByte() - startByte_ - fileBytes;
    const std::uint64_t gaps = layout_.gap ? 1 : kMaxVideoGapSteps;
    for (std::uint64_t k = 1; k <= gaps; ++k) {
        const std::uint64_t gap = layout_.gap ? *layout_.gap : k * step_;
        if (gap > room || late())
            return std::nullopt;
        std::uint64_t probeSteps = kCandidateSteps;
        const bool probed = std::all_of(probes.begin(), probes.end(), [&](std::size_t i) {
            return holds(i, i + 1, placed(first_, gap), probeSteps, true);
        });
        if (!probed)
            continue;
        const auto breakAt = bestBreak(gap);
        if (!breakAt)
            continue;
        std::uint64_t fileSteps = kFileSteps;
        if (holds(localBegin_, chunks.size(), placed(*breakAt, gap), fileSteps, false))
            return placed(*breakAt, gap);
    }
    return std::nullopt;
}

} // namespace

std::optional<VideoFragments> ReassembleVideo(disk::SectorSource& source, std::uint64_t start,
                                              std::uint64_t rangeEnd, std::uint32_t stepSectors) {
    if (start >= rangeEnd || stepSectors == 0)
        return std::nullopt;
    const std::uint64_t stepBytes = std::uint64_t{stepSectors} * disk::kSectorBytes;
    MediumBytes medium(source, rangeEnd);
    // The file starts a cluster: breaks lie at multiples of the step from its start.
    const std::uint64_t startByte = start * disk::kSectorBytes;
    const auto layout = WalkVideoBoxes(medium, start, stepBytes);
    if (!layout)
        return std::nullopt;
    const auto tables =
        ReadMp4SampleTables(layout->movie.data(), layout->movie.size(), layout->fileBytes);
    if (!tables ||
        !std::any_of(tables->chunks.begin(), tables->chunks.end(),
                     [&](const Mp4Chunk& c) { return DecidesPlacement(tables->tracks[c.track]); }))
        return std::nullopt;
    const auto placement = PlacementSearch(medium, *layout, *tables, startByte, stepBytes).run();
    if (!placement)
        return std::nullopt;
    VideoFragments fragments;
    fragments.firstBytes = placement->breakAt;
    fragments.secondSector = (startByte + placement->breakAt + placement->gap) / disk::kSectorBytes;
    fragments.secondBytes = layout->fileBytes - placement->breakAt;
    fragments.extension = layout->extension;
    return fragments;
}

} // namespace qr::raw
