#pragma once
// The NTFS engine's hooks for the application layer: the Standard search (the MFT's
// runs and the walk of its records), its Advanced search (the sweep and the
// assignment of the records found), and its engine over the context's volume.
#include "app/EngineHooks.h"

namespace qr::app {

extern const EngineHooks kNtfsHooks;

} // namespace qr::app
