#include "disk/ReadAhead.h"

#include <cstdlib>

namespace qr::disk {

void FreeDeleter::operator()(unsigned char* p) const {
    std::free(p);
}

AlignedBuffer PageAligned(std::size_t bytes) {
    const std::size_t rounded = (bytes + 4095) / 4096 * 4096;
    return AlignedBuffer(static_cast<unsigned char*>(std::aligned_alloc(4096, rounded)));
}

ReadAhead::ReadAhead(SectorSource& source, BatchPlan plan, unsigned char* const (&buffers)[2],
                     std::stop_token stop)
    : thread_([this, &source, plan, &buffers, stop](std::stop_token own) {
          run(own, source, plan, buffers, stop);
      }) {}

ReadAhead::~ReadAhead() {
    thread_.request_stop();
    changed_.notify_all();
}

void ReadAhead::run(std::stop_token own, SectorSource& source, BatchPlan plan,
                    unsigned char* const* buffers, std::stop_token sweepStop) {
    for (std::uint64_t index = 0;; ++index) {
        const std::optional<PlannedBatch> batch = plan.next();
        {
            std::unique_lock lock(mutex_);
            // The buffer is free once the batch two before this one was visited.
            changed_.wait(lock, own, [&] { return index < released_ + 2; });
            if (!batch || own.stop_requested() || sweepStop.stop_requested()) {
                ended_ = true;
                changed_.notify_all();
                return;
            }
        }
        unsigned char* target = buffers[index % 2] + std::size_t{batch->kept} * kSectorBytes;
        const ReadStatus status = source.readSectors(batch->sector, batch->count, target);
        std::lock_guard lock(mutex_);
        status_[index % 2] = status;
        filled_ = index + 1;
        if (status == ReadStatus::NoMedium)
            ended_ = true;
        changed_.notify_all();
        if (ended_)
            return;
    }
}

std::optional<ReadStatus> ReadAhead::wait(std::uint64_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return filled_ > index || ended_; });
    if (filled_ > index)
        return status_[index % 2];
    return std::nullopt;
}

void ReadAhead::release(std::uint64_t index) {
    std::lock_guard lock(mutex_);
    released_ = index + 1;
    changed_.notify_all();
}

} // namespace qr::disk
