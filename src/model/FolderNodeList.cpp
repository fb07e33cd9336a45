#include "model/FolderNodeList.h"

namespace qr::model {

namespace {

std::uint64_t keysOf(std::uint32_t selfKey, std::uint32_t parentKey) {
    return (std::uint64_t{selfKey} << 32) | parentKey;
}

} // namespace

void FolderNodeList::clear() {
    nodes_.clear();
    byItem_.clear();
    byKeys_.clear();
    byParent_.clear();
}

std::size_t FolderNodeList::append(FolderNode node) {
    const std::size_t index = nodes_.size();
    byItem_.emplace(node.treeItem, index);
    byKeys_.emplace(keysOf(node.selfKey, node.parentKey), index);
    byParent_[node.parentKey].push_back(index);
    nodes_.push_back(std::move(node));
    return index;
}

std::size_t FolderNodeList::indexOfItem(TreeItem item) const {
    auto it = byItem_.find(item);
    return it == byItem_.end() ? kNoNode : it->second;
}

FolderNode* FolderNodeList::findByItem(TreeItem item) {
    const std::size_t index = indexOfItem(item);
    return index == kNoNode ? nullptr : &nodes_[index];
}

std::size_t FolderNodeList::firstWithKeys(std::uint32_t selfKey, std::uint32_t parentKey) const {
    auto it = byKeys_.find(keysOf(selfKey, parentKey));
    return it == byKeys_.end() ? kNoNode : it->second;
}

const std::vector<std::size_t>& FolderNodeList::withParent(std::uint32_t parentKey) const {
    static const std::vector<std::size_t> none;
    auto it = byParent_.find(parentKey);
    return it == byParent_.end() ? none : it->second;
}

} // namespace qr::model
