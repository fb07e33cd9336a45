#include "model/TreeModel.h"

namespace qr::model {

void TreeModel::clear() {
    TreeListener* listener;
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        topLevel_.clear();
        selected_ = kNoItem;
        listener = listener_;
    }
    if (listener)
        listener->treeReset();
}

void TreeModel::reserve(std::size_t count) {
    std::lock_guard lock(mutex_);
    items_.reserve(count);
}

TreeItem TreeModel::insert(TreeItem parent, std::string text, int image, int selectedImage,
                           CheckState check) {
    TreeItem item;
    TreeListener* listener;
    {
        std::lock_guard lock(mutex_);
        if (!valid(parent))
            parent = kNoItem;
        item = static_cast<TreeItem>(items_.size());
        Item entry;
        entry.text = std::move(text);
        entry.image = image;
        entry.selectedImage = selectedImage;
        entry.check = check;
        entry.parent = parent;
        items_.push_back(std::move(entry));
        if (parent == kNoItem)
            topLevel_.push_back(item);
        else
            items_[static_cast<std::size_t>(parent)].children.push_back(item);
        listener = listener_;
    }
    if (listener)
        listener->itemInserted(parent, item);
    return item;
}

bool TreeModel::valid(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return item >= 0 && static_cast<std::size_t>(item) < items_.size();
}

TreeModel::Item TreeModel::get(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return valid(item) ? items_[static_cast<std::size_t>(item)] : Item{};
}

std::string TreeModel::text(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return valid(item) ? items_[static_cast<std::size_t>(item)].text : std::string{};
}

TreeItem TreeModel::parent(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return valid(item) ? items_[static_cast<std::size_t>(item)].parent : kNoItem;
}

std::vector<TreeItem> TreeModel::children(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return valid(item) ? items_[static_cast<std::size_t>(item)].children : std::vector<TreeItem>{};
}

TreeItem TreeModel::firstTopLevel() const {
    std::lock_guard lock(mutex_);
    return topLevel_.empty() ? kNoItem : topLevel_.front();
}

CheckState TreeModel::check(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return valid(item) ? items_[static_cast<std::size_t>(item)].check : CheckState::None;
}

std::uint64_t TreeModel::data(TreeItem item) const {
    std::lock_guard lock(mutex_);
    return valid(item) ? items_[static_cast<std::size_t>(item)].data : 0;
}

std::size_t TreeModel::size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

void TreeModel::setText(TreeItem item, std::string text) {
    {
        std::lock_guard lock(mutex_);
        if (!valid(item))
            return;
        items_[static_cast<std::size_t>(item)].text = std::move(text);
    }
    notifyChanged(item);
}

void TreeModel::setImages(TreeItem item, int image, int selectedImage) {
    {
        std::lock_guard lock(mutex_);
        if (!valid(item))
            return;
        items_[static_cast<std::size_t>(item)].image = image;
        items_[static_cast<std::size_t>(item)].selectedImage = selectedImage;
    }
    notifyChanged(item);
}

void TreeModel::setCheck(TreeItem item, CheckState state) {
    {
        std::lock_guard lock(mutex_);
        if (!valid(item) || items_[static_cast<std::size_t>(item)].check == state)
            return;
        items_[static_cast<std::size_t>(item)].check = state;
    }
    notifyChanged(item);
}

void TreeModel::setExpanded(TreeItem item, bool expanded) {
    {
        std::lock_guard lock(mutex_);
        if (!valid(item))
            return;
        items_[static_cast<std::size_t>(item)].expanded = expanded;
    }
    notifyChanged(item);
}

void TreeModel::setData(TreeItem item, std::uint64_t value) {
    std::lock_guard lock(mutex_);
    if (valid(item))
        items_[static_cast<std::size_t>(item)].data = value;
}

TreeItem TreeModel::selected() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

void TreeModel::setSelected(TreeItem item) {
    std::lock_guard lock(mutex_);
    selected_ = valid(item) ? item : kNoItem;
}

void TreeModel::withLock(const std::function<void(const std::vector<Item>&)>& fn) const {
    std::lock_guard lock(mutex_);
    fn(items_);
}

void TreeModel::setListener(TreeListener* listener) {
    std::lock_guard lock(mutex_);
    listener_ = listener;
}

void TreeModel::moveItemsTo(TreeModel& other) {
    if (&other == this)
        return;
    std::scoped_lock lock(mutex_, other.mutex_);
    other.items_ = std::move(items_);
    other.topLevel_ = std::move(topLevel_);
    other.selected_ = selected_;
    items_.clear();
    topLevel_.clear();
    selected_ = kNoItem;
}

bool TreeModel::renumber(const std::vector<TreeItem>& handles) {
    std::lock_guard lock(mutex_);
    const std::size_t size = items_.size();
    if (handles.size() != size)
        return false;
    std::vector<bool> taken(size, false);
    for (const TreeItem handle : handles) {
        if (handle < 0 || static_cast<std::size_t>(handle) >= size || taken[std::size_t(handle)])
            return false;
        taken[std::size_t(handle)] = true;
    }
    const auto mapped = [&](TreeItem item) {
        return item >= 0 && static_cast<std::size_t>(item) < size ? handles[std::size_t(item)]
                                                                  : kNoItem;
    };
    std::vector<Item> renumbered(size);
    for (std::size_t k = 0; k < size; ++k) {
        Item item = std::move(items_[k]);
        item.parent = mapped(item.parent);
        for (TreeItem& child : item.children)
            child = mapped(child);
        renumbered[std::size_t(handles[k])] = std::move(item);
    }
    items_ = std::move(renumbered);
    for (TreeItem& top : topLevel_)
        top = mapped(top);
    selected_ = mapped(selected_);
    return true;
}

void TreeModel::rebuildQuietly(const std::function<void()>& fn) {
    TreeListener* listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
        listener_ = nullptr;
    }
    fn();
    {
        std::lock_guard lock(mutex_);
        listener_ = listener;
    }
    if (listener)
        listener->treeReset();
}

void TreeModel::notifyChanged(TreeItem item) {
    TreeListener* listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener)
        listener->itemChanged(item);
}

} // namespace qr::model
