#pragma once
// A save of recoverable files only: the deleted files of the plan that their engine
// judges overwritten are taken out before the writing pass.
#include "output/SaveState.h"
#include "volume/VolumeEngine.h"

#include <cstdint>

namespace qr::output {

// Removes them from the plan and the counters; returns how many were removed.
std::uint32_t DropOverwritten(SaveState& save, volume::VolumeEngine& engine);

} // namespace qr::output
