#pragma once
// Which sectors of a read that came back Partial the medium cannot read: each is read
// again alone (or looked up, where the source remembers its failures), so a file with
// one bad sector is told as one bad sector, not as the whole batch it was read in.
#include "disk/SectorSource.h"

#include <cstdint>
#include <functional>

namespace qr::disk {

// Calls `each(offset, length)` for every run of bytes among the first `bytes` of the
// `sectors` sectors from `start` that lies on sectors which cannot be read on their own
// (offsets from the first byte of `start`).
void ForEachUnreadableRun(
    SectorSource& source, std::uint64_t start, std::uint32_t sectors, std::uint64_t bytes,
    const std::function<void(std::uint64_t offset, std::uint64_t length)>& each);

} // namespace qr::disk
