#pragma once
// A left-panel tree (disks, partitions, file systems, recovered folders) without any
// toolkit. Items are addressed by stable handles. The GUI shows it through an adapter
// that listens for changes; engines may change it from a worker thread, so every call
// takes the model's lock and listeners are told after the change is made.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qr::model {

using TreeItem = std::int32_t;
inline constexpr TreeItem kNoItem = -1;

// State images of the three-state check box.
enum class CheckState : std::uint8_t { None = 0, Unchecked = 1, Checked = 2, Partly = 3 };

// Image indexes of the tree's image list.
namespace tree_image {
inline constexpr int kFileSystem = 0;
inline constexpr int kPartition = 1;
inline constexpr int kRoot = 2;
inline constexpr int kFolder = 3;
inline constexpr int kCurrentFolder = 7;
} // namespace tree_image

class TreeListener {
public:
    virtual ~TreeListener() = default;
    // The whole tree was replaced or emptied.
    virtual void treeReset() = 0;
    // `item` was appended to the children of `parent` (kNoItem for a top-level item).
    virtual void itemInserted(TreeItem parent, TreeItem item) = 0;
    // Text, images, check state or expansion of `item` changed.
    virtual void itemChanged(TreeItem item) = 0;
};

class TreeModel {
public:
    struct Item {
        std::string text;
        int image = 0;
        int selectedImage = 0;
        CheckState check = CheckState::None;
        bool expanded = false;
        TreeItem parent = kNoItem;
        std::vector<TreeItem> children;
        std::uint64_t data = 0; // caller's value (for example a partition number)
    };

    // Removes every item.
    void clear();
    // Room for `count` items in all (a tree builder knows how many folders come).
    void reserve(std::size_t count);
    // Appends a child of `parent` (kNoItem: a top-level item) and returns its handle.
    TreeItem insert(TreeItem parent, std::string text, int image, int selectedImage,
                    CheckState check = CheckState::None);

    bool valid(TreeItem item) const;
    Item get(TreeItem item) const; // a copy; an empty Item for an invalid handle
    std::string text(TreeItem item) const;
    TreeItem parent(TreeItem item) const;
    std::vector<TreeItem> children(TreeItem item) const;
    TreeItem firstTopLevel() const;
    CheckState check(TreeItem item) const;
    std::uint64_t data(TreeItem item) const;
    std::size_t size() const;

    void setText(TreeItem item, std::string text);
    void setImages(TreeItem item, int image, int selectedImage);
    void setCheck(TreeItem item, CheckState state);
    void setExpanded(TreeItem item, bool expanded);
    void setData(TreeItem item, std::uint64_t value);

    // The item the user selected last in this tree (kNoItem for none).
    TreeItem selected() const;
    void setSelected(TreeItem item);

    // Runs `fn` under the model's lock, for walks that must see one consistent tree.
    void withLock(const std::function<void(const std::vector<Item>&)>& fn) const;

    void setListener(TreeListener* listener);

    // Moves every item (and the selection) into `other`, which is emptied first, and
    // leaves this tree empty; neither listener is told.
    void moveItemsTo(TreeModel& other);
    // Gives item k the handle `handles[k]` (a permutation of 0 .. size()-1), keeping the
    // tree's shape; nobody is told. False, changing nothing, for a list that is none.
    bool renumber(const std::vector<TreeItem>& handles);
    // Runs `fn` with the listener's notifications held back (the view goes on showing
    // what it has), then tells the listener the tree was replaced.
    void rebuildQuietly(const std::function<void()>& fn);

private:
    void notifyChanged(TreeItem item);

    mutable std::recursive_mutex mutex_;
    std::vector<Item> items_;
    std::vector<TreeItem> topLevel_;
    TreeItem selected_ = kNoItem;
    TreeListener* listener_ = nullptr;
};

} // namespace qr::model
