// Three-state check boxes of the folder tree.
#include "model/TreeChecks.h"

#include <gtest/gtest.h>

namespace qr::model {
namespace {

class TreeChecks : public ::testing::Test {
protected:
    TreeChecks() {
        root = tree.insert(kNoItem, "Root", 2, 2, CheckState::Unchecked);
        a = tree.insert(root, "A", 3, 3, CheckState::Unchecked);
        a1 = tree.insert(a, "A1", 3, 3, CheckState::Unchecked);
        a2 = tree.insert(a, "A2", 3, 3, CheckState::Unchecked);
        a2x = tree.insert(a2, "A2x", 3, 3, CheckState::Unchecked);
        b = tree.insert(root, "B", 3, 3, CheckState::Unchecked);
    }
    TreeModel tree;
    TreeItem root, a, a1, a2, a2x, b;
};

TEST_F(TreeChecks, CheckingAFolderChecksItsSubtreeAndMarksAncestors) {
    ToggleCheck(tree, a2);
    EXPECT_EQ(tree.check(a2), CheckState::Checked);
    EXPECT_EQ(tree.check(a2x), CheckState::Checked);
    EXPECT_EQ(tree.check(a1), CheckState::Unchecked);
    EXPECT_EQ(tree.check(a), CheckState::Partly);
    EXPECT_EQ(tree.check(root), CheckState::Partly);
    EXPECT_EQ(tree.selected(), a2);

    ToggleCheck(tree, a1); // now every child of A is checked
    EXPECT_EQ(tree.check(a), CheckState::Checked);
    EXPECT_EQ(tree.check(root), CheckState::Partly); // B is still unchecked
    ToggleCheck(tree, b);
    EXPECT_EQ(tree.check(root), CheckState::Checked);
}

TEST_F(TreeChecks, UncheckingTheLastCheckedChildUnchecksTheParent) {
    ToggleCheck(tree, a2x);
    EXPECT_EQ(tree.check(a2), CheckState::Checked); // its only child is checked
    EXPECT_EQ(tree.check(a), CheckState::Partly);
    ToggleCheck(tree, a2x);
    EXPECT_EQ(tree.check(a2x), CheckState::Unchecked);
    EXPECT_EQ(tree.check(a2), CheckState::Unchecked);
    EXPECT_EQ(tree.check(a), CheckState::Unchecked);
    EXPECT_EQ(tree.check(root), CheckState::Unchecked);
}

TEST_F(TreeChecks, ClickOnAPartlyCheckedFolderUnchecksItsSubtree) {
    ToggleCheck(tree, a2x);
    ASSERT_EQ(tree.check(a), CheckState::Partly);
    ToggleCheck(tree, a);
    for (TreeItem i : {a, a1, a2, a2x, root})
        EXPECT_EQ(tree.check(i), CheckState::Unchecked);
}

TEST_F(TreeChecks, UncheckingOneOfTwoCheckedChildrenLeavesTheParentPartly) {
    ToggleCheck(tree, a);
    ToggleCheck(tree, a1);
    EXPECT_EQ(tree.check(a), CheckState::Partly);
    EXPECT_EQ(tree.check(a2x), CheckState::Checked);
}

} // namespace
} // namespace qr::model
