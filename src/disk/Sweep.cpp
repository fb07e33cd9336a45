#include "disk/Sweep.h"

#include "disk/ReadAhead.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace qr::disk {

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

    const BatchPlan plan(range.first, end, options.batchSectors, options.overlapSectors);
    const std::size_t bufferBytes =
        std::size_t{std::max<std::uint32_t>(1, options.batchSectors)} * kSectorBytes;
    // A range of one batch gains nothing from reading ahead.
    const bool ahead = options.readAhead && end - range.first > options.batchSectors;
    AlignedBuffer first = PageAligned(bufferBytes);
    AlignedBuffer second = ahead ? PageAligned(bufferBytes) : nullptr;
    if (!first || (ahead && !second)) {
        outcome.end = SweepEnd::Stopped;
        return outcome;
    }
    unsigned char* const buffers[2] = {first.get(), ahead ? second.get() : first.get()};
    std::optional<ReadAhead> reader;
    if (ahead)
        reader.emplace(source, plan, buffers, stop);

    BatchPlan visiting = plan;
    for (std::uint64_t index = 0;; ++index) {
        const std::optional<PlannedBatch> batch = visiting.next();
        if (!batch)
            break;
        if (stop.stop_requested()) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        unsigned char* const buffer = buffers[index % 2];
        std::optional<ReadStatus> status;
        if (reader)
            status = reader->wait(index);
        else
            status = source.readSectors(batch->sector, batch->count,
                                        buffer + std::size_t{batch->kept} * kSectorBytes);
        if (!status) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        if (*status == ReadStatus::NoMedium) {
            outcome.end = SweepEnd::MediumLost;
            return outcome;
        }
        if (*status == ReadStatus::Partial)
            ++outcome.partialReads;
        const std::size_t bytes = std::size_t{batch->kept + batch->count} * kSectorBytes;
        const bool goOn = visit(batch->sector - batch->kept, ByteView(buffer, bytes));
        outcome.next = batch->sector + batch->count;
        if (options.progress)
            options.progress(outcome.next);
        if (!goOn) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        // The next batch begins with this one's last sectors.
        if (const std::size_t keptBytes = std::size_t{visiting.keptNext()} * kSectorBytes)
            std::memmove(buffers[(index + 1) % 2], buffer + bytes - keptBytes, keptBytes);
        if (reader)
            reader->release(index);
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
