#pragma once
// The folders of the rebuilt tree, one node per folder, in insertion order. Walking
// by index also visits nodes appended during the walk, which makes the tree builder
// breadth first. Lookups go through indexes kept as nodes are appended.
#include "model/TreeModel.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace qr::model {

struct FolderNode {
    std::string name;
    TreeItem treeItem = kNoItem;
    std::uint32_t selfKey = 0;   // FAT: first cluster; NTFS: MFT number; kLostFolderKey
    std::uint32_t parentKey = 0; // 0 (FAT) or 5 (NTFS) directly under the root
    std::uint64_t date = 0;      // FAT: 16-bit date; NTFS: creation time
    std::uint64_t time = 0;      // FAT: 16-bit time; NTFS: 0
    bool childrenNamed = false;
    bool deleted = false;
};

inline constexpr std::size_t kNoNode = static_cast<std::size_t>(-1);

class FolderNodeList {
public:
    void clear();
    std::size_t size() const { return nodes_.size(); }
    bool empty() const { return nodes_.empty(); }

    // Appends at the tail; returns the node's index. References stay valid.
    std::size_t append(FolderNode node);
    // Room in the item index for `count` nodes in all (a tree builder knows its rows).
    void reserve(std::size_t count);

    FolderNode& operator[](std::size_t index) { return nodes_[index]; }
    const FolderNode& operator[](std::size_t index) const { return nodes_[index]; }
    auto begin() { return nodes_.begin(); }
    auto end() { return nodes_.end(); }
    auto begin() const { return nodes_.begin(); }
    auto end() const { return nodes_.end(); }

    // The node shown by `item`, or kNoNode.
    std::size_t indexOfItem(TreeItem item) const;
    FolderNode* findByItem(TreeItem item);
    // Indexes of the nodes whose parentKey is `parentKey`, in list order.
    const std::vector<std::size_t>& withParent(std::uint32_t parentKey) const;

private:
    std::deque<FolderNode> nodes_;
    std::vector<std::size_t> byItem_; // by tree item (items are numbered from 0)
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> byParent_;
};

} // namespace qr::model
