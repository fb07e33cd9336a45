#pragma once
// The exFAT engine's hooks for the application layer: the Standard search (the directory
// walk from the root and the sweep of the heap for lost folders), the Advanced search
// (the sweep for boot regions and directory sectors of earlier file systems) and its
// engine over the context's volume.
#include "app/EngineHooks.h"

namespace qr::app {

extern const EngineHooks kExfatHooks;

} // namespace qr::app
