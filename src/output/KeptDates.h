#pragma once
// Saved files and folders keep the modification times their entries record. A file's
// time is set once it is written whole; a folder's only at the end of the save, after
// every file written into it (which would change it again).
#include "model/TreeModel.h"
#include "volume/VolumeEngine.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qr::model {
class FolderNodeList;
}

namespace qr::output {

struct SaveItem;

class KeptDates {
public:
    // `engine` null: nothing is kept. `nodes` null: folders keep the time of the save.
    KeptDates(volume::VolumeEngine* engine, const model::FolderNodeList* nodes,
              const model::TreeModel& tree);

    // `item` was written whole at `path`.
    void fileWritten(const SaveItem& item, const std::string& path);
    // Folder `item` of the tree is `path` in the destination; its ancestors up to the
    // destination `top` are taken along.
    void folderUsed(model::TreeItem item, const std::string& path, const std::string& top);
    // Gives every folder used its time, deepest first.
    void finish();

private:
    // The entry of `item` as its folder lists it, with its stamp and keys.
    const volume::FolderFile* entryOf(const SaveItem& item);

    volume::VolumeEngine* engine_;
    const model::FolderNodeList* nodes_;
    const model::TreeModel& tree_;
    // The files of the folder last looked up, listed once.
    model::TreeItem listedFolder_ = model::kNoItem;
    bool listed_ = false;
    std::vector<volume::FolderFile> listing_;
    std::map<std::string, model::TreeItem> folders_; // path -> tree item
};

// Sets the modification time of `path` (never following a link); false when it failed.
bool SetModificationTime(const std::string& path, std::int64_t unixSeconds);

} // namespace qr::output
