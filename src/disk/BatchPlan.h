#pragma once
// The order of the reads of a sweep: each batch's first sector, its sector count and
// how many sectors of the previous batch are handed again in front of it (the overlap).
#include <algorithm>
#include <cstdint>
#include <optional>

namespace qr::disk {

struct PlannedBatch {
    std::uint64_t sector = 0; // first sector read
    std::uint32_t count = 0;  // sectors read
    std::uint32_t kept = 0;   // overlap sectors in front of them, from the previous batch
};

class BatchPlan {
public:
    // Sectors [first, end), `batch` sectors per buffer (at least 1), `overlap` below it.
    BatchPlan(std::uint64_t first, std::uint64_t end, std::uint32_t batch, std::uint32_t overlap)
        : sector_(first), end_(end), batch_(std::max<std::uint32_t>(1, batch)),
          overlap_(std::min(overlap, batch_ - 1)) {}

    std::optional<PlannedBatch> next() {
        if (sector_ >= end_)
            return std::nullopt;
        const PlannedBatch planned{
            sector_,
            static_cast<std::uint32_t>(std::min<std::uint64_t>(batch_ - kept_, end_ - sector_)),
            kept_};
        sector_ += planned.count;
        kept_ = std::min<std::uint32_t>(overlap_, kept_ + planned.count);
        return planned;
    }
    // Overlap sectors the batch after the last one returned begins with.
    std::uint32_t keptNext() const { return kept_; }

private:
    std::uint64_t sector_;
    std::uint64_t end_;
    std::uint32_t batch_;
    std::uint32_t overlap_;
    std::uint32_t kept_ = 0;
};

} // namespace qr::disk
