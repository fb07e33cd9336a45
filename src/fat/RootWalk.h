#pragma once
// The FAT walk from the root: the folders the directory entries reach, live and deleted,
// each taken only when its first cluster still holds its own directory head, so every
// folder it finds is one the sweep of the data area finds too (with the same fields).
#include "fat/FatVolume.h"
#include "fat/ScanFatDirectories.h"

#include <functional>
#include <stop_token>

namespace qr::fat {

// Calls `found` for each folder reached from the root, parents before their children.
// Each directory is walked once; the walk ends at a stop, and never takes more folders
// than the data area has clusters. Returns how many folders it found.
std::uint64_t WalkFatFromRoot(const FatVolume& volume, std::stop_token stop,
                              const std::function<void(const FoundDirectory&)>& found);

} // namespace qr::fat
