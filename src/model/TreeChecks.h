#pragma once
// Three-state check boxes of a left-panel tree: a click checks or unchecks an item's
// whole subtree and makes each ancestor checked, unchecked or partly checked.
#include "model/TreeModel.h"

namespace qr::model {

// The click on the check box of `item`.
void ToggleCheck(TreeModel& tree, TreeItem item);

} // namespace qr::model
