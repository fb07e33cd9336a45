#include "disk/Sweep.h"

#include "disk/BackgroundRead.h"
#include "disk/BatchPlan.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace qr::disk {

namespace {

using Clock = std::chrono::steady_clock;

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using AlignedBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

// `bytes` rounded up to whole pages, page-aligned; null when memory is short.
AlignedBuffer PageAligned(std::size_t bytes) {
    const std::size_t rounded = (bytes + 4095) / 4096 * 4096;
    return AlignedBuffer(static_cast<unsigned char*>(std::aligned_alloc(4096, rounded)));
}

// Reading the next batch on a second thread pays when looking at a batch takes a
// good part of reading one (a fast medium and a busy visitor); otherwise the thread's
// hand-overs and the second buffer only cost time.
bool aheadPays(Clock::duration visit, Clock::duration read) {
    return visit * 4 >= read;
}

} // namespace

SweepOutcome SweepBatches(SectorSource& source, SweepRange range, const SweepOptions& options,
                          std::stop_token stop, const BatchVisitor& visit) {
    SweepOutcome outcome;
    std::uint64_t end = range.end;
    // Behind the end of the medium every sector reads as zeros: a range that claims
    // more (a damaged table) is not swept there.
    if (const std::uint64_t medium = source.sectorCount(); medium > 0)
        end = std::min(end, medium);
    outcome.clampedEnd = end;
    outcome.next = range.first;
    if (range.first >= end)
        return outcome;

    BatchPlan plan(range.first, end, options.batchSectors, options.overlapSectors);
    const std::size_t bufferBytes =
        std::size_t{std::max<std::uint32_t>(1, options.batchSectors)} * kSectorBytes;
    AlignedBuffer current = PageAligned(bufferBytes);
    if (!current) {
        outcome.end = SweepEnd::Stopped;
        return outcome;
    }
    AlignedBuffer spare; // the next batch's buffer while it is read in the background
    std::optional<BackgroundRead> background;

    std::optional<PlannedBatch> batch = plan.next();
    if (stop.stop_requested()) {
        outcome.end = SweepEnd::Stopped;
        return outcome;
    }
    auto readStart = Clock::now();
    ReadStatus status = source.readSectors(batch->sector, batch->count, current.get());
    Clock::duration readTime = Clock::now() - readStart;
    Clock::duration visitTime{};
    for (;;) {
        if (status == ReadStatus::NoMedium) {
            outcome.end = SweepEnd::MediumLost;
            return outcome;
        }
        if (status == ReadStatus::Partial)
            ++outcome.partialReads;
        const std::optional<PlannedBatch> next = plan.next();
        const std::size_t bytes = std::size_t{batch->kept + batch->count} * kSectorBytes;

        // The last visit and read tell whether the next batch is worth reading behind
        // this one's visit.
        const bool ahead =
            next && !stop.stop_requested() &&
            (options.readAhead == ReadAhead::Always ||
             (options.readAhead == ReadAhead::WhenItPays && aheadPays(visitTime, readTime))) &&
            (spare || (spare = PageAligned(bufferBytes)));
        unsigned char* const nextBuffer = ahead ? spare.get() : current.get();
        if (ahead) {
            if (!background)
                background.emplace(source);
            background->start(next->sector, next->count,
                              nextBuffer + std::size_t{next->kept} * kSectorBytes);
        }
        const auto visitStart = Clock::now();
        const bool goOn = visit(batch->sector - batch->kept, ByteView(current.get(), bytes));
        visitTime = Clock::now() - visitStart;
        outcome.next = batch->sector + batch->count;
        if (options.progress)
            options.progress(outcome.next);
        if (!goOn) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        if (!next)
            return outcome;
        // The next batch begins with this one's last sectors (in front of where its
        // read goes, so a read in the background does not touch them).
        if (const std::size_t keptBytes = std::size_t{next->kept} * kSectorBytes)
            std::memmove(nextBuffer, current.get() + bytes - keptBytes, keptBytes);
        if (ahead) {
            status = background->finish();
            std::swap(current, spare);
        } else {
            if (stop.stop_requested()) {
                outcome.end = SweepEnd::Stopped;
                return outcome;
            }
            readStart = Clock::now();
            status = source.readSectors(next->sector, next->count,
                                        nextBuffer + std::size_t{next->kept} * kSectorBytes);
            readTime = Clock::now() - readStart;
        }
        if (stop.stop_requested()) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        batch = next;
    }
}

SweepOutcome SweepSectors(SectorSource& source, SweepRange range, std::uint32_t step,
                          const SweepOptions& options, std::stop_token stop,
                          const SectorVisitor& visit) {
    if (step == 0)
        step = 1;
    SweepOptions batched = options;
    batched.overlapSectors = 0;
    // Whole steps per batch, so a visited sector never straddles two reads.
    batched.batchSectors = std::max<std::uint32_t>(step, options.batchSectors / step * step);
    return SweepBatches(source, range, batched, stop, [&](std::uint64_t first, ByteView bytes) {
        const std::uint64_t sectors = bytes.size() / kSectorBytes;
        // The first visited sector of this batch on the step grid.
        std::uint64_t offset = (step - (first - range.first) % step) % step;
        for (; offset < sectors; offset += step)
            if (!visit(first + offset, bytes.sub(offset * kSectorBytes, kSectorBytes)))
                return false;
        return true;
    });
}

} // namespace qr::disk
