#pragma once
// Reads the batches of a sweep one ahead of their visit, on a thread of its own, so the
// medium is busy while the previous batch is looked at. Two page-aligned buffers take
// turns; the reads keep their order and go one at a time through the one source, so
// the medium sees exactly the requests of a plain sweep (at most one batch more when
// the sweep ends early).
#include "disk/BatchPlan.h"
#include "disk/SectorSource.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace qr::disk {

struct FreeDeleter {
    void operator()(unsigned char* p) const;
};
using AlignedBuffer = std::unique_ptr<unsigned char, FreeDeleter>;
// `bytes` rounded up to whole pages, page-aligned; null when memory is short.
AlignedBuffer PageAligned(std::size_t bytes);

class ReadAhead {
public:
    // Starts reading `plan`'s batches into `buffers` (each `batch` sectors). The
    // reading stops with `stop`, at a medium that cannot be opened, or when this ends.
    ReadAhead(SectorSource& source, BatchPlan plan, unsigned char* const (&buffers)[2],
              std::stop_token stop);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Waits for batch `index` (counted from 0, asked in order) and returns its read
    // status; its sectors are in buffer index % 2 behind its kept sectors. Nothing
    // when the reading stopped before it.
    std::optional<ReadStatus> wait(std::uint64_t index);
    // Batch `index` has been visited: its buffer may take the batch two further on.
    void release(std::uint64_t index);

private:
    void run(std::stop_token stop, SectorSource& source, BatchPlan plan,
             unsigned char* const* buffers, std::stop_token sweepStop);

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::uint64_t filled_ = 0;   // batches read
    std::uint64_t released_ = 0; // batches visited
    ReadStatus status_[2] = {ReadStatus::Complete, ReadStatus::Complete};
    bool ended_ = false; // no batch will be read any more
    std::jthread thread_;
};

} // namespace qr::disk
