#include "disk/FailedSectors.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace qr::disk {

void FailedSectors::add(std::uint64_t first, std::uint64_t count) {
    if (count == 0)
        return;
    std::lock_guard lock(mutex_);
    std::uint64_t end = first + count;
    // Swallow every run that touches or overlaps [first, end).
    auto it = runs_.upper_bound(first);
    if (it != runs_.begin() && std::prev(it)->second >= first)
        --it;
    while (it != runs_.end() && it->first <= end) {
        first = std::min(first, it->first);
        end = std::max(end, it->second);
        it = runs_.erase(it);
    }
    runs_.emplace(first, end);
}

bool FailedSectors::any(std::uint64_t first, std::uint64_t count) const {
    bool found = false;
    forEachIn(first, count, [&](std::uint64_t, std::uint64_t) { found = true; });
    return found;
}

void FailedSectors::forEachIn(std::uint64_t first, std::uint64_t count,
                              const std::function<void(std::uint64_t, std::uint64_t)>& each) const {
    const std::uint64_t end = first + count;
    // Gathered under the lock, told without it: `each` may read and add failures.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> inside;
    {
        std::lock_guard lock(mutex_);
        auto it = runs_.upper_bound(first);
        if (it != runs_.begin())
            --it;
        for (; it != runs_.end() && it->first < end; ++it) {
            const std::uint64_t from = std::max(first, it->first);
            const std::uint64_t to = std::min(end, it->second);
            if (from < to)
                inside.emplace_back(from, to - from);
        }
    }
    for (const auto& [from, sectors] : inside)
        each(from, sectors);
}

std::uint64_t FailedSectors::total() const {
    std::lock_guard lock(mutex_);
    std::uint64_t sum = 0;
    for (const auto& [first, end] : runs_)
        sum += end - first;
    return sum;
}

void FailedSectors::clear() {
    std::lock_guard lock(mutex_);
    runs_.clear();
}

bool SlowReadJudge::slow(std::uint64_t bytes, std::uint64_t nanoseconds) {
    if (bytes == 0)
        return false;
    // A small read is all latency: taking the floor's time is slow on its own.
    if (bytes < kLargeRead)
        return nanoseconds >= floor_;
    const double perByte = double(nanoseconds) / double(bytes);
    std::lock_guard lock(mutex_);
    if (nanoseconds >= floor_ && usualPerByte_ > 0 && perByte > 8 * usualPerByte_ &&
        perByte >= kSlowNanosecondsPerByte)
        return true;
    usualPerByte_ = usualPerByte_ == 0 ? perByte : 0.9 * usualPerByte_ + 0.1 * perByte;
    return false;
}

bool SlowAreas::tellNow(std::uint64_t sector) {
    std::lock_guard lock(mutex_);
    // The area this slow read belongs to: one started within `span` sectors before it.
    auto area = slow_.upper_bound(sector);
    if (area != slow_.begin() && sector - std::prev(area)->first <= span_)
        --area;
    else
        area = slow_.emplace(sector, 0).first;
    return ++area->second == kSlowReadsToTell;
}

} // namespace qr::disk
