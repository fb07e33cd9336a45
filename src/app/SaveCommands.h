#pragma once
// The counting pass of a save over the recovery context.
#include "output/SavePasses.h"

#include <cstdint>

namespace qr::app {

struct RecoveryContext;

// The context's save state, trees, file list, tables and volume engine, for counting.
output::SaveSelection SaveSelectionOf(RecoveryContext& context);

// output::CountSaveSelection and output::CountFatFolderTree over the context.
void CountSaveSelection(RecoveryContext& context);
void CountFatFolderTree(RecoveryContext& context, model::TreeItem item, std::uint32_t key);

} // namespace qr::app
