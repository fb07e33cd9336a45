#pragma once
// What the folder tree and the file list do on the user's clicks, expansions and
// keys while browsing a recovery. The GUI forwards its events here and only draws.
#include "model/TreeModel.h"

namespace qr::app {
struct RecoveryContext;
}

namespace qr::model {

// Left click on `item` of the folder tree; `onCheckBox` when it hit the state image.
void OnFolderItemClicked(app::RecoveryContext& context, TreeItem item, bool onCheckBox);

// The item is about to expand (`expanding`) or collapse.
void OnFolderItemExpanding(app::RecoveryContext& context, TreeItem item, bool expanding);

// Enter while the folder tree has the focus: lists its selected item.
void OnFolderEnterKey(app::RecoveryContext& context);
// Left arrow: listing on expansion and click selection both end.
void OnFolderLeftKey(app::RecoveryContext& context);
// Right arrow: the next expansion lists its folder.
void OnFolderRightKey(app::RecoveryContext& context);

} // namespace qr::model
