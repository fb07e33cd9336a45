#include "model/TreeChecks.h"

#include <algorithm>

namespace qr::model {

namespace {

void setSubtree(TreeModel& tree, TreeItem item, CheckState state) {
    std::vector<TreeItem> pending{item};
    while (!pending.empty()) {
        const TreeItem current = pending.back();
        pending.pop_back();
        tree.setCheck(current, state);
        for (TreeItem child : tree.children(current))
            pending.push_back(child);
    }
}

} // namespace

void ToggleCheck(TreeModel& tree, TreeItem item) {
    if (!tree.valid(item))
        return;
    tree.setSelected(item);
    const CheckState was = tree.check(item);
    const bool unchecking = was == CheckState::Checked || was == CheckState::Partly;
    setSubtree(tree, item, unchecking ? CheckState::Unchecked : CheckState::Checked);
    // Unchecking: an ancestor is unchecked when all its children are, else partly
    // checked. Checking: checked when none of its children is unchecked or partly.
    for (TreeItem a = tree.parent(item); a != kNoItem; a = tree.parent(a)) {
        const std::vector<TreeItem> children = tree.children(a);
        const auto notChecked = [&tree](TreeItem c) {
            const CheckState s = tree.check(c);
            return s == CheckState::Unchecked || s == CheckState::Partly;
        };
        const auto unchecked = [&tree](TreeItem c) {
            return tree.check(c) == CheckState::Unchecked;
        };
        const bool whole = unchecking ? std::all_of(children.begin(), children.end(), unchecked)
                                      : std::none_of(children.begin(), children.end(), notChecked);
        tree.setCheck(a, whole ? (unchecking ? CheckState::Unchecked : CheckState::Checked)
                               : CheckState::Partly);
    }
}

} // namespace qr::model
