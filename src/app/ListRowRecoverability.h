#pragma once
// The recoverability of a deleted file as the browse step's list shows it: the row's
// file handed back to the volume's engine.
#include "model/FileList.h"

#include <string>

namespace qr::app {

struct RecoveryContext;

// "intact", "partly overwritten", "overwritten" or "unknown" for a deleted file's row
// of the current folder; empty when there is no engine.
std::string ListRowRecoverability(RecoveryContext& context, const model::FileListRow& row);

} // namespace qr::app
