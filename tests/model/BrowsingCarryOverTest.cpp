// What the user did to the walk's tree, carried over to the finished one: ticks, an
// expanded folder and the selection follow their folders by key, a new folder below a
// ticked one is ticked, and the walk's folders keep their handles while the new ones
// take the numbers left free.
#include "model/BrowsingCarryOver.h"
#include "model/RecoveryTree.h"

#include <gtest/gtest.h>
#include <set>

namespace qr::model {
namespace {

struct Tree {
    TreeModel tree;
    FolderNodeList nodes;
    TreeItem root = EnsureRootItem(tree);
    TreeItem add(TreeItem parent, const std::string& name, std::uint32_t self,
                 std::uint32_t parentKey) {
        return InsertFolderNode(tree, nodes, parent, name, self, parentKey, 0, 0, false);
    }
};

TEST(BrowsingCarryOver, TicksExpansionSelectionAndHandlesFollowTheirFolders) {
    // The walk: A (with A1) and B.
    Tree walk;
    const TreeItem a = walk.add(walk.root, "A", 10, 0);
    const TreeItem b = walk.add(walk.root, "B", 20, 0);
    const TreeItem a1 = walk.add(a, "A1", 11, 10);
    walk.tree.setCheck(a, CheckState::Checked);
    walk.tree.setCheck(a1, CheckState::Checked);
    walk.tree.setExpanded(a, true);
    walk.tree.setSelected(b);

    // The finished tree, in its own order: Lost first, a new folder below A.
    Tree done;
    const TreeItem lost = done.add(done.root, "Lost", kLostFolderKey, 0);
    const TreeItem doneA = done.add(done.root, "A", 10, 0);
    const TreeItem doneB = done.add(done.root, "B", 20, 0);
    done.add(lost, "Dir9", 30, kLostFolderKey);
    done.add(doneA, "A1", 11, 10);
    const TreeItem fresh = done.add(doneA, "A2", 12, 10);

    ItemMap map = CarryBrowsingState(walk.tree, walk.nodes, done.tree, done.nodes);
    EXPECT_EQ(MappedItem(map, a), doneA);
    EXPECT_EQ(done.tree.check(doneA), CheckState::Checked);
    EXPECT_EQ(done.tree.check(fresh), CheckState::Checked) << "new below a ticked folder";
    EXPECT_EQ(done.tree.check(doneB), CheckState::Unchecked);
    EXPECT_EQ(done.tree.check(lost), CheckState::Unchecked);
    EXPECT_TRUE(done.tree.get(doneA).expanded);
    EXPECT_EQ(done.tree.selected(), doneB);

    KeepHandles(map, done.tree, done.nodes);
    for (const TreeItem item : {walk.root, a, b, a1}) {
        EXPECT_EQ(MappedItem(map, item), item);
        EXPECT_EQ(done.tree.text(item), walk.tree.text(item));
        EXPECT_EQ(done.nodes.indexOfItem(item) == kNoNode, item == walk.root);
    }
    // The shape is the finished tree's: Lost, A, B under the root; A1, A2 under A.
    std::vector<std::string> top;
    for (const TreeItem item : done.tree.children(done.tree.firstTopLevel()))
        top.push_back(done.tree.text(item));
    EXPECT_EQ(top, (std::vector<std::string>{"Lost", "A", "B"}));
    std::vector<std::string> belowA;
    for (const TreeItem item : done.tree.children(a))
        belowA.push_back(done.tree.text(item));
    EXPECT_EQ(belowA, (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(done.tree.selected(), b);
    // Every node names an item that shows it; the handles are 0 .. size-1.
    std::set<TreeItem> handles;
    for (const FolderNode& node : done.nodes) {
        EXPECT_EQ(done.tree.text(node.treeItem), node.name);
        handles.insert(node.treeItem);
    }
    handles.insert(done.tree.firstTopLevel());
    EXPECT_EQ(handles.size(), done.tree.size());
    EXPECT_EQ(*handles.rbegin(), static_cast<TreeItem>(done.tree.size() - 1));
}

TEST(BrowsingCarryOver, AFolderTheFinishedTreeLacksLeavesItsHandleFree) {
    Tree walk;
    walk.add(walk.root, "Gone", 40, 0);
    const TreeItem kept = walk.add(walk.root, "Kept", 50, 0);
    Tree done;
    done.add(done.root, "Kept", 50, 0);
    done.add(done.root, "New", 60, 0);
    ItemMap map = CarryBrowsingState(walk.tree, walk.nodes, done.tree, done.nodes);
    KeepHandles(map, done.tree, done.nodes);
    EXPECT_EQ(done.tree.text(kept), "Kept");
    EXPECT_EQ(done.tree.size(), 3u);
    std::set<std::string> names;
    for (const TreeItem item : done.tree.children(done.tree.firstTopLevel()))
        names.insert(done.tree.text(item));
    EXPECT_EQ(names, (std::set<std::string>{"Kept", "New"}));
}

} // namespace
} // namespace qr::model
