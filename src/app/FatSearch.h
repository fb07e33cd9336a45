#pragma once
// The FAT engine's hooks for the application layer: the Standard search (the layout
// rebuilt when the boot sector failed, the directory scan, the tree named from the
// directories), its Advanced search and its engine over the context's volume.
#include "app/EngineHooks.h"

#include <stop_token>

namespace qr::app {

struct RecoveryContext;

extern const EngineHooks kFatHooks;

// The FAT directory scan of the volume: appends the Lost row and one FolderTable row per
// directory found (FolderTable is emptied by the caller). Every row written stays when
// it is stopped.
void ScanDirectories(RecoveryContext& context, std::stop_token stop = {});

// The FAT walk from the root: appends one FolderTable row per folder it reaches to
// `table`, then reports its end with the folders' count.
void WalkDirectories(RecoveryContext& context, std::stop_token stop, model::RecordTable& table);

} // namespace qr::app
