#pragma once
// The exFAT engine's hooks for the application layer: its one search (the directory
// walk from the root and the sweep of the heap for lost folders) serves both modes.
#include "app/EngineHooks.h"

namespace qr::app {

extern const EngineHooks kExfatHooks;

} // namespace qr::app
