#pragma once
// The walk's tree while the sweep runs: a Standard search shows the folders its walk
// from the root reached as soon as the walk ends, browsable and savable, and the
// folders of the sweep join that tree when the sweep ends. The tree then is the one a
// search without the early tree builds; what the user ticked, expanded and selected
// stays.
#include "model/RecordTable.h"
#include "model/RecoveryTree.h"

#include <functional>

namespace qr::app {

struct RecoveryContext;

// Builds the tree of `walkRows` (FolderTable rows of the walk) and shows the browse step
// with the search still running, when the context's window asks for it
// (showWalkedTree). Called on the search's thread at the walk's end.
void ShowWalkedTree(RecoveryContext& context, model::RecordTable& walkRows,
                    model::TreeVariant variant);

// Runs `build` (the search's own tree build) so that, when the walk's tree was shown,
// the finished tree replaces it in one step, with the user's ticks, expansion and
// selection carried over. Waits for a save of the walk's tree to end first.
void JoinSweptTree(RecoveryContext& context, const std::function<void()>& build);

// True while a search runs whose tree cannot be browsed yet.
bool BrowsingBlocked(const RecoveryContext& context);

} // namespace qr::app
