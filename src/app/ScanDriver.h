#pragma once
// The scan driver: runs a whole search on the context's scan worker thread and
// leaves a folder tree ready for browsing, or what was found so far when stopped. It
// hands each engine what it needs, records what the engines find in the tables, and
// fills the recovery details and the menu.
#include "model/RecoveryTree.h"

#include <cstdint>
#include <stop_token>
#include <string>

namespace qr::model {
class RecordTable;
}

namespace qr::app {

struct RecoveryContext;

// Starts ScanWorker on context.scanWorker (ending a previous one first).
void StartScanWorker(RecoveryContext& context);

// The worker's body (also callable directly, on the caller's thread).
void ScanWorker(RecoveryContext& context, std::stop_token stop);

// "&Stop Searching": ends a running scan promptly and builds the tree from the rows
// written so far.
void StopSearch(RecoveryContext& context);

// Writes the search summary the reports read (mode, range, partition, disk).
void FillRecoveryDetails(RecoveryContext& context);

// Inserts the "Lost" pseudo-folder row as row 0 of FolderTable.
void AddLostFolderRow(model::RecordTable& folderTable);

// The lost-directory search over FolderTable (`rootParent` stands for the root), then
// the tree build, with the captions of both steps.
void FindLostAndBuildTree(RecoveryContext& context, std::uint32_t rootParent,
                          model::TreeVariant variant);
// The tree build alone, with its caption.
void BuildTreeCaptioned(RecoveryContext& context, model::TreeVariant variant);

// Copies the volume's FAT values and file-system name into ActiveGeometry.
void LoadActiveGeometryFromVolume(RecoveryContext& context);

// Rebuilds the layout of a volume whose boot sector failed, where its engine can (FAT:
// from its directories); 1 when it could be, else 0, and then `why`, if given, tells a
// developer the reason.
int CalculateVolumeParams(RecoveryContext& context, std::stop_token stop = {},
                          std::string* why = nullptr);

} // namespace qr::app
