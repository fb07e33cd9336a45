#pragma once
// Where the browsing window shows the folder whose files are listed. The folder-tree
// events say which path is current; one adapter of the application renders it.
#include <string>

namespace qr::model {

class CurrentFolderView {
public:
    virtual ~CurrentFolderView() = default;
    // `path`: the folder's names from the root down, joined by '\'.
    virtual void showCurrentFolder(const std::string& path) = 0;
};

} // namespace qr::model
