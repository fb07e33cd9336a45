#pragma once
// What the folder tree and the file list do on the user's clicks, expansions and
// keys while browsing a recovery. The GUI forwards its events here and only draws.
#include "model/TreeModel.h"

#include <cstddef>

namespace qr::model {

class CurrentFolderView;
class FileList;
class FolderNodeList;
struct FolderLabels;

// Reads a folder for browsing: fills the file list with it, or names its subfolders
// from its directory (once).
class FolderReader {
public:
    virtual ~FolderReader() = default;
    virtual void listFolder(TreeItem item, const FolderLabels& labels) = 0;
    virtual void nameChildFolders(std::size_t node) = 0;
};

// The browsing state the events read and change.
struct FolderBrowsing {
    TreeModel& tree;
    FolderNodeList& nodes;
    FileList& fileList;
    TreeItem& currentFolderItem;
    TreeItem& lastClickedFolderItem;
    bool& listOnExpansion;
    bool& clickSelects;
    CurrentFolderView& view;
    FolderReader& reader;
};

// Left click on `item` of the folder tree; `onCheckBox` when it hit the state image.
void OnFolderItemClicked(FolderBrowsing& b, TreeItem item, bool onCheckBox);

// The item is about to expand (`expanding`) or collapse.
void OnFolderItemExpanding(FolderBrowsing& b, TreeItem item, bool expanding);

// Enter while the folder tree has the focus: lists its selected item.
void OnFolderEnterKey(FolderBrowsing& b);
// Left arrow: listing on expansion and click selection both end.
void OnFolderLeftKey(FolderBrowsing& b);
// Right arrow: the next expansion lists its folder.
void OnFolderRightKey(FolderBrowsing& b);

} // namespace qr::model
