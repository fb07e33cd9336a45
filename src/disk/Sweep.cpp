#include "disk/Sweep.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qr::disk {

namespace {

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

std::unique_ptr<unsigned char, FreeDeleter> pageAligned(std::size_t bytes) {
    const std::size_t rounded = (bytes + 4095) / 4096 * 4096;
    return std::unique_ptr<unsigned char, FreeDeleter>(
        static_cast<unsigned char*>(std::aligned_alloc(4096, rounded)));
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

    const std::uint32_t batch = std::max<std::uint32_t>(1, options.batchSectors);
    const std::uint32_t overlap = std::min(options.overlapSectors, batch - 1);
    auto buffer = pageAligned(std::size_t{batch} * kSectorBytes);
    if (!buffer) {
        outcome.end = SweepEnd::Stopped;
        return outcome;
    }

    std::uint64_t sector = range.first; // first sector of the next read
    std::uint32_t kept = 0;             // overlap sectors already at the buffer's start
    while (sector < end) {
        if (stop.stop_requested()) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(batch - kept, end - sector));
        unsigned char* target = buffer.get() + std::size_t{kept} * kSectorBytes;
        const ReadStatus status = source.readSectors(sector, count, target);
        if (status == ReadStatus::NoMedium) {
            outcome.end = SweepEnd::MediumLost;
            return outcome;
        }
        if (status == ReadStatus::Partial)
            ++outcome.partialReads;
        const std::uint64_t first = sector - kept;
        const std::size_t bytes = std::size_t{kept + count} * kSectorBytes;
        sector += count;
        const bool goOn = visit(first, ByteView(buffer.get(), bytes));
        outcome.next = sector;
        if (options.progress)
            options.progress(sector);
        if (!goOn) {
            outcome.end = SweepEnd::Stopped;
            return outcome;
        }
        kept = std::min<std::uint32_t>(overlap, kept + count);
        if (kept > 0)
            std::memmove(buffer.get(), buffer.get() + bytes - std::size_t{kept} * kSectorBytes,
                         std::size_t{kept} * kSectorBytes);
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
