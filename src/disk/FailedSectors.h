#pragma once
// The sectors of one medium that failed to read in this run, kept as sorted runs, so
// no search or save asks the medium for them again. Safe to share between threads.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace qr::disk {

class FailedSectors {
public:
    void add(std::uint64_t first, std::uint64_t count);
    bool any(std::uint64_t first, std::uint64_t count) const;
    // Calls `each(first, count)` for the runs of failed sectors inside [first, first+count).
    void forEachIn(std::uint64_t first, std::uint64_t count,
                   const std::function<void(std::uint64_t, std::uint64_t)>& each) const;
    std::uint64_t total() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::map<std::uint64_t, std::uint64_t> runs_; // first sector -> end (one past)
};

// Whether a read is slow for the medium. Only a read of at least `floor` can be: a
// small one (under 64 KiB) then is, a large one when it also took eight times longer
// than the medium's usual time per byte, learnt from the large reads that were not slow,
// and ran under about 33 MB/s. A fast medium (an image in memory reads at gigabytes a
// second) held up for a moment by a busy machine is no slow area.
class SlowReadJudge {
public:
    static constexpr std::uint64_t kLargeRead = 64 * 1024;
    static constexpr double kSlowNanosecondsPerByte = 30.0;
    explicit SlowReadJudge(std::uint64_t floorNanoseconds) : floor_(floorNanoseconds) {}
    // Judges one read (and learns from it when it was large and not slow).
    bool slow(std::uint64_t bytes, std::uint64_t nanoseconds);

private:
    std::mutex mutex_;
    std::uint64_t floor_;
    double usualPerByte_ = 0;
};

// Areas that read slowly, told once each: an area starts at a slow read and spans
// `span` sectors; it is told at its third slow read, so one read held up by a busy
// machine is not taken for a slow medium.
class SlowAreas {
public:
    static constexpr std::uint32_t kSlowReadsToTell = 3;
    explicit SlowAreas(std::uint64_t span) : span_(span) {}
    // Counts a slow read at `sector`; true when its area is to be told now.
    bool tellNow(std::uint64_t sector);

private:
    std::mutex mutex_;
    std::uint64_t span_;
    std::map<std::uint64_t, std::uint32_t> slow_; // first sector of an area -> slow reads
};

// A sector source that keeps its failed sectors: after it answered Partial for a run,
// the run's unreadable sectors are known without reading them again.
class RemembersFailures {
public:
    virtual ~RemembersFailures() = default;
    virtual const FailedSectors& failedSectors() const = 0;
};

} // namespace qr::disk
