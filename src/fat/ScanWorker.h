#pragma once
// The scan driver: runs a whole search on the context's scan worker thread and
// leaves a folder tree ready for browsing, or what was found so far when stopped.
#include <stop_token>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::fat {

// Starts ScanWorker on context.scanWorker (ending a previous one first).
void StartScanWorker(app::RecoveryContext& context);

// The worker's body (also callable directly, on the caller's thread).
void ScanWorker(app::RecoveryContext& context, std::stop_token stop);

// "&Stop Searching": ends a running scan promptly and builds the tree from the rows
// written so far.
void StopSearch(app::RecoveryContext& context);

// Copies the volume's FAT values and file-system name into ActiveGeometry.
void LoadActiveGeometryFromVolume(app::RecoveryContext& context);

} // namespace qr::fat
