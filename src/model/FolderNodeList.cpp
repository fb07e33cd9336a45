#include "model/FolderNodeList.h"

#include <algorithm>

namespace qr::model {

void FolderNodeList::clear() {
    nodes_.clear();
    byItem_.clear();
    byParent_.clear();
}

std::size_t FolderNodeList::append(FolderNode node) {
    const std::size_t index = nodes_.size();
    if (node.treeItem >= 0) {
        const auto item = static_cast<std::size_t>(node.treeItem);
        if (item >= byItem_.size())
            byItem_.resize(std::max(item + 1, byItem_.size() * 2), kNoNode);
        if (byItem_[item] == kNoNode)
            byItem_[item] = index;
    }
    byParent_[node.parentKey].push_back(index);
    nodes_.push_back(std::move(node));
    return index;
}

void FolderNodeList::reserve(std::size_t count) {
    byItem_.reserve(count + 1);
}

std::size_t FolderNodeList::indexOfItem(TreeItem item) const {
    return item >= 0 && static_cast<std::size_t>(item) < byItem_.size()
               ? byItem_[static_cast<std::size_t>(item)]
               : kNoNode;
}

FolderNode* FolderNodeList::findByItem(TreeItem item) {
    const std::size_t index = indexOfItem(item);
    return index == kNoNode ? nullptr : &nodes_[index];
}

const std::vector<std::size_t>& FolderNodeList::withParent(std::uint32_t parentKey) const {
    static const std::vector<std::size_t> none;
    auto it = byParent_.find(parentKey);
    return it == byParent_.end() ? none : it->second;
}

} // namespace qr::model
