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
    for (TreeItem a = tree.parent(item); a != kNoItem; a = tree.parent(a)) {
        const std::vector<TreeItem> children = tree.children(a);
        const auto is = [&](CheckState s) {
            return [&tree, s](TreeItem c) { return tree.check(c) == s; };
        };
        CheckState state;
        if (unchecking)
            state = std::all_of(children.begin(), children.end(), is(CheckState::Unchecked))
                        ? CheckState::Unchecked
                        : CheckState::Partly;
        else
            state = std::none_of(children.begin(), children.end(),
                                 [&tree](TreeItem c) {
                                     const CheckState s = tree.check(c);
                                     return s == CheckState::Unchecked || s == CheckState::Partly;
                                 })
                        ? CheckState::Checked
                        : CheckState::Partly;
        tree.setCheck(a, state);
    }
}

} // namespace qr::model
