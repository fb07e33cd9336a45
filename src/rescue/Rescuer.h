#pragma once
// Copies a failing medium into an image the way GNU ddrescue does, driven by the map:
//   copy   the areas not tried yet in large aligned blocks; an error or a slow block
//          skips ahead by a skip size that doubles on each skip and resets on a good
//          read, so good areas come first; a second copy pass reads what was skipped;
//   trim   each failed block sector by sector from both edges inwards to the first bad
//          sector;
//   scrape what lies between the trimmed edges, sector by sector;
//   retry  the bad sectors again, as many passes as asked.
// A sector is read at most twice before the retries: once in a large block, once alone.
// Only what the map has not rescued is read, so a run resumes where another stopped.
#include "disk/FailedSectors.h"
#include "rescue/RescueMap.h"
#include "rescue/RescueMedium.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace qr::rescue {

struct RescueOptions {
    std::uint32_t sectorSize = 512;
    std::uint32_t clusterSectors = 128; // the copy's block: 64 KiB of 512-byte sectors
    int retries = 0;
    bool reverse = false;
    std::chrono::milliseconds saveEvery{30'000};
    // A block read at under 1/8 of the medium's usual rate, and taking at least this
    // long, is a slow one (see disk::SlowReadJudge).
    std::chrono::milliseconds slowAtLeast{15};
};

// What the progress line shows.
struct RescueStatus {
    Phase phase = '?';
    std::uint64_t position = 0;
    std::uint64_t size = 0;
    std::uint64_t rescued = 0;
    std::uint64_t badAreas = 0;
    std::uint64_t badBytes = 0;    // '-' and what is still to trim or scrape
    std::uint64_t rate = 0;        // bytes a second over the last second or so
    std::uint64_t averageRate = 0; // bytes a second over the run
    std::uint64_t secondsLeft = 0; // 0 when unknown
    std::uint64_t slowAreas = 0;
};

enum class RescueEnd {
    Finished,
    Stopped,     // asked to stop
    MediumGone,  // the medium stopped answering
    SizeChanged, // the medium's size is no longer the map's
    WriteFailed, // the image could not be written
    MapNotSaved, // the map could not be saved
};

struct RescueHooks {
    // Saves the map (every saveEvery and at the end); false when it cannot be.
    std::function<bool(const RescueMap&)> saveMap;
    // The figures, at most five times a second and once at the end.
    std::function<void(const RescueStatus&)> progress;
};

class Rescuer {
public:
    Rescuer(RescueInput& input, RescueOutput& output, RescueMap& map, RescueOptions options,
            RescueHooks hooks);
    RescueEnd run(const std::atomic<bool>& stop);

    // Areas that read slowly in the copy, [first byte, end) each.
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& slowAreas() const { return slow_; }

private:
    enum class Step { Go, End };
    Step copyPass(bool skipping);
    Step trimPass();
    Step sectorPass(BlockState from);
    // Reads [pos, pos+length) and marks it; Read, Bad or Gone. Slow reads set `slow`.
    ReadAnswer readBlock(std::uint64_t pos, std::uint64_t length, BlockState failed, bool* slow);
    bool checkpoint(bool force);
    Step stopIf(RescueEnd why);
    RescueStatus status() const;

    RescueInput& input_;
    RescueOutput& output_;
    RescueMap& map_;
    RescueOptions options_;
    RescueHooks hooks_;
    const std::atomic<bool>* stop_ = nullptr;
    RescueEnd end_ = RescueEnd::Finished;
    std::vector<unsigned char> buffer_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> slow_;
    disk::SlowReadJudge slowJudge_;

    using Clock = std::chrono::steady_clock;
    Clock::time_point started_ = Clock::now();
    Clock::time_point lastSave_ = Clock::now();
    Clock::time_point lastProgress_{};
    Clock::time_point windowStart_ = Clock::now();
    std::uint64_t windowBytes_ = 0;
    std::uint64_t rate_ = 0;
    std::uint64_t readThisRun_ = 0;
};

} // namespace qr::rescue
