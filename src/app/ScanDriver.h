#pragma once
// The scan driver: runs a whole search on the context's scan worker thread and
// leaves a folder tree ready for browsing, or what was found so far when stopped. It
// hands each engine what it needs, records what the engines find in the tables, and
// fills the recovery details and the menu.
#include <stop_token>
#include <string>

namespace qr::app {

struct RecoveryContext;

// Starts ScanWorker on context.scanWorker (ending a previous one first).
void StartScanWorker(RecoveryContext& context);

// The worker's body (also callable directly, on the caller's thread).
void ScanWorker(RecoveryContext& context, std::stop_token stop);

// "&Stop Searching": ends a running scan promptly and builds the tree from the rows
// written so far.
void StopSearch(RecoveryContext& context);

// Copies the volume's FAT values and file-system name into ActiveGeometry.
void LoadActiveGeometryFromVolume(RecoveryContext& context);

// The FAT directory scan of the volume: appends the Lost row and one FolderTable row per
// directory found (FolderTable is emptied by the caller). Every row written stays when
// it is stopped.
void ScanDirectories(RecoveryContext& context, std::stop_token stop = {});

// Rebuilds the layout of a FAT volume whose boot sector failed, from its directories
// (1 when it could be, else 0; then `why`, if given, tells a developer the reason).
int CalculateVolumeParams(RecoveryContext& context, std::stop_token stop = {},
                          std::string* why = nullptr);

} // namespace qr::app
