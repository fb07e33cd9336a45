#pragma once
// The one pass over a sector range: large page-aligned reads from one source, clamped
// to the range and to the medium, the stop token polled before every batch. Every
// whole-range pass (directory scan, layout reconstruction, advanced sweeps, MFT sweep,
// raw search, partition search) reads through it.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"

#include <cstdint>
#include <functional>
#include <stop_token>

namespace qr::disk {

// Sectors [first, end).
struct SweepRange {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
};

struct SweepOptions {
    // Sectors per read (4 MiB by default): a slow medium loses the time between two
    // requests, so fewer and larger ones keep it busy.
    std::uint32_t batchSectors = 8192;
    // Sectors of a batch's end handed again at the start of the next one, so a pattern
    // across a batch boundary is seen whole (raw searches). Must be below batchSectors.
    std::uint32_t overlapSectors = 0;
    // Called after each batch with the first sector not yet visited.
    std::function<void(std::uint64_t next)> progress;
};

enum class SweepEnd {
    Finished,   // the range (clamped to the medium) was visited
    Stopped,    // the stop token or the visitor ended it
    MediumLost, // the medium stopped answering (it could not be opened any more)
};

struct SweepOutcome {
    SweepEnd end = SweepEnd::Finished;
    std::uint64_t next = 0;         // first sector not visited
    std::uint64_t clampedEnd = 0;   // the range's end after clamping to the medium
    std::uint64_t partialReads = 0; // batches in which some sector could not be read
};

// `bytes` holds the sectors [firstSector, firstSector + bytes.size() / 512); with an
// overlap the first overlapSectors of them were handed at the end of the previous
// batch already. Return false to stop.
using BatchVisitor = std::function<bool(std::uint64_t firstSector, ByteView bytes)>;
SweepOutcome SweepBatches(SectorSource& source, SweepRange range, const SweepOptions& options,
                          std::stop_token stop, const BatchVisitor& visit);

// Visits the sectors first, first + step, first + 2 * step, ... below the end with
// their 512 bytes (a cluster-by-cluster scan passes the cluster size as step). Return
// false to stop.
using SectorVisitor = std::function<bool(std::uint64_t sector, ByteView bytes)>;
SweepOutcome SweepSectors(SectorSource& source, SweepRange range, std::uint32_t step,
                          const SweepOptions& options, std::stop_token stop,
                          const SectorVisitor& visit);

} // namespace qr::disk
