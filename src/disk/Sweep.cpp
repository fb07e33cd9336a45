#include "disk/Sweep.h"

#include "disk/BatchPlan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace qr::disk {

namespace {

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using AlignedBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

// `bytes` rounded up to whole pages, page-aligned; null when memory is short.
AlignedBuffer PageAligned(std::size_t bytes) {
    const std::size_t rounded = (bytes + 4095) / 4096 * 4096;
    return AlignedBuffer(static_cast<unsigned char*>(std::aligned_alloc(4096, rounded)));
}

} // namespace

// One thread reads and visits in turn: the kernel's own read-ahead keeps a sequential
// medium busy while a batch is looked at, and a second reading thread measured slower
// on every sweep (its hand-overs cost more than the visits it overlapped).
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
    const AlignedBuffer buffer =
        PageAligned(std::size_t{std::max<std::uint32_t>(1, options.batchSectors)} * kSectorBytes);
    if (!buffer) {
        outcome.end = SweepEnd::Stopped;
        return outcome;
    }
    for (std::optional<PlannedBatch> batch = plan.next(); batch; batch = plan.next()) {
        if (stop.stop_requested()) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        // The batch begins with the previous one's last sectors, already in front of
        // where its read goes.
        const ReadStatus status = source.readSectors(
            batch->sector, batch->count, buffer.get() + std::size_t{batch->kept} * kSectorBytes);
        if (status == ReadStatus::NoMedium) {
            outcome.end = SweepEnd::MediumLost;
            return outcome;
        }
        if (status == ReadStatus::Partial)
            ++outcome.partialReads;
        const std::size_t bytes = std::size_t{batch->kept + batch->count} * kSectorBytes;
        const bool goOn = visit(batch->sector - batch->kept, ByteView(buffer.get(), bytes));
        outcome.next = batch->sector + batch->count;
        if (options.progress)
            options.progress(outcome.next);
        if (!goOn) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        if (const std::size_t keptBytes = std::size_t{plan.keptNext()} * kSectorBytes)
            std::memmove(buffer.get(), buffer.get() + bytes - keptBytes, keptBytes);
    }
    return outcome;
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
