#pragma once
// What the partition search tells the partition step's window: that it started, where
// it is, and how it ended. One adapter of the application renders the
// controls and texts; the search itself never addresses a window item.
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <optional>

namespace qr::volume {

struct FoundPartitionRange {
    FileSystemKind kind = FileSystemKind::None;
    std::uint64_t startSector = 0;
    std::uint64_t endSector = 0;
};

class PartitionSearchView {
public:
    virtual ~PartitionSearchView() = default;
    // The search began. `lockRange`: the sector-range controls are disabled while it
    // runs (Advanced and Raw searches show them).
    virtual void partitionSearchStarted(bool lockRange) = 0;
    // The sweep is at sector `at` of `end` (end 0: nothing to sweep). Kept apart from
    // SearchProgress: the search may run beside another one and must not change its
    // phase.
    virtual void partitionSearchAt(std::uint64_t at, std::uint64_t end) = 0;
    // The search ended (finished or stopped by the user). `first`: the first partition
    // listed, if any; `showRange`: the range controls and their labels come back
    // (Advanced search).
    virtual void partitionSearchFinished(const std::optional<FoundPartitionRange>& first,
                                         bool showRange) = 0;
};

} // namespace qr::volume
