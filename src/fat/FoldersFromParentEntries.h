#pragma once
// Folders the directory scan cannot find by their own head (their "." entry is missing
// or overwritten), found through the entry their parent folder holds for them: the
// parent's entry is enough to keep a folder and everything in it.
#include "fat/FatVolume.h"
#include "fat/ScanFatDirectories.h"

#include <cstdint>
#include <stop_token>
#include <vector>

namespace qr::fat {

// Walks the root and every folder in `known` (the first clusters the scan found), and
// every folder this finds, for live folder entries whose first cluster lies in the data
// area, is no known folder and still begins with directory entries (HoldsDirectoryEntries), or
// whose first sector the medium cannot read. Each
// becomes a FoundDirectory whose fields come from the parent's entry (the parent key is 0 for the
// root). Stops between folders when `stop` is requested.
std::vector<FoundDirectory> FoldersFromParentEntries(const FatVolume& volume,
                                                     const std::vector<std::uint32_t>& known,
                                                     std::stop_token stop);

} // namespace qr::fat
