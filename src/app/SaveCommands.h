#pragma once
// The two passes of a save over the recovery context.
#include "output/SavePasses.h"

#include <cstdint>

namespace qr::app {

struct RecoveryContext;

// The context's save state, trees, file list, tables and volume engine, for counting.
output::SaveSelection SaveSelectionOf(RecoveryContext& context);

// output::CountSaveSelection and output::CountFolderTree over the context.
void CountSaveSelection(RecoveryContext& context);
void CountFolderTree(RecoveryContext& context, model::TreeItem item, std::uint32_t key);

// output::WriteSavePlan with the context's medium, engine, tree and messages.
void WriteSavePlan(RecoveryContext& context);

} // namespace qr::app
